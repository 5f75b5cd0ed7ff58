#include "../TestOperations.h"

#include "Core/Operations/CreateSubstrateOperation.h"
#include "Core/Operations/SubstrateBuilder.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <cstdint>
#include <functional>
#include <tuple>

using Core::Operations::CreateSubstrateOperation;
using Core::Operations::SubstrateBuilder;
using namespace TestSupport;

namespace {

using SubstrateFactory = DialogFactory<CreateSubstrateOperation>;

// Create Substrate with `dialog` playing its options dialog.
std::shared_ptr<SubstrateFactory> substrateFactory(Core::Workspace &workspace,
                                                   std::function<void(CreateSubstrateOperation &)> dialog)
{
    auto factory = std::make_shared<SubstrateFactory>(&workspace, [&workspace](std::uint32_t id) {
        return id == CreateSubstrateOperation::operationId ? std::make_shared<CreateSubstrateOperation>(&workspace)
                                                           : nullptr;
    });
    factory->dialog = std::move(dialog);
    workspace.setOperationFactory(factory);
    return factory;
}

// The cells of a substrate straight from their definition, over every cell.
std::vector<std::uint32_t> referenceCells(const SubstrateBuilder &b)
{
    std::vector<std::uint32_t> ids(std::size_t(b.sizeX) * b.sizeY * b.sizeZ, 0);
    const auto within = [](std::uint32_t v, std::uint32_t offset, std::uint32_t size) {
        return v >= offset && std::uint64_t(v) < std::uint64_t(offset) + size;
    };
    const auto off = [](std::uint32_t v, std::uint32_t c) { return double(std::int64_t(v) - c); };
    const double r = b.sphereRadius;
    for (std::uint32_t x = 0; x < b.sizeX; ++x)
        for (std::uint32_t y = 0; y < b.sizeY; ++y)
            for (std::uint32_t z = 0; z < b.sizeZ; ++z) {
                const double dx = off(x, b.sphereCenterX), dy = off(y, b.sphereCenterY), dz = off(z, b.sphereCenterZ);
                const bool inside = b.spherical ? dx * dx + dy * dy + dz * dz <= r * r
                                                : within(x, b.blockOffsetX, b.blockSizeX)
                                                      && within(y, b.blockOffsetY, b.blockSizeY)
                                                      && within(z, b.blockOffsetZ, b.blockSizeZ);
                if (inside)
                    ids[(std::size_t(x) * b.sizeY + y) * b.sizeZ + z] = b.material;
            }
    return ids;
}

SubstrateBuilder block(std::uint32_t n, std::uint32_t ox, std::uint32_t oy, std::uint32_t oz, std::uint32_t sx,
                       std::uint32_t sy, std::uint32_t sz)
{
    SubstrateBuilder b;
    b.material = 4;
    b.sizeX = b.sizeY = b.sizeZ = n;
    std::tie(b.blockOffsetX, b.blockOffsetY, b.blockOffsetZ, b.blockSizeX, b.blockSizeY, b.blockSizeZ)
        = std::make_tuple(ox, oy, oz, sx, sy, sz);
    return b;
}

SubstrateBuilder sphere(std::uint32_t n, std::uint32_t cx, std::uint32_t cy, std::uint32_t cz, std::uint32_t r)
{
    SubstrateBuilder b = block(n, 0, 0, 0, 0, 0, 0);
    b.spherical = true;
    std::tie(b.sphereCenterX, b.sphereCenterY, b.sphereCenterZ, b.sphereRadius) = std::make_tuple(cx, cy, cz, r);
    return b;
}

std::size_t filled(const std::vector<std::uint32_t> &ids)
{
    return std::size_t(std::count_if(ids.begin(), ids.end(), [](std::uint32_t id) { return id != 0; }));
}

} // namespace

Q_DECLARE_METATYPE(SubstrateBuilder)

class TestCreateSubstrate : public QObject
{
    Q_OBJECT

private slots:
    void materialList_data();
    void materialList();
    void dialogDefaultsFillBelowThirtyOnly();
    void createUndoRedoSameObject();
    void badSizes_data();
    void badSizes();
};

void TestCreateSubstrate::materialList_data()
{
    QTest::addColumn<SubstrateBuilder>("builder");
    QTest::addColumn<int>("expectedCount");
    QTest::newRow("block filling the volume") << block(6, 0, 0, 0, 6, 6, 6) << 216;
    QTest::newRow("block clipped by the volume") << block(10, 5, 0, 8, 20, 5, 20) << 5 * 5 * 2;
    QTest::newRow("offset and size near 2^32 do not wrap")
        << block(10, 4000000000u, 0, 0, 4000000000u, 10, 10) << 0;
    QTest::newRow("sphere radius 0") << sphere(5, 2, 2, 2, 0) << 1;
    QTest::newRow("sphere radius 1") << sphere(5, 2, 2, 2, 1) << 7;
    QTest::newRow("sphere cut by a face") << sphere(7, 0, 3, 3, 3) << -1;
    QTest::newRow("radius whose 32-bit square wraps") << sphere(3, 1, 1, 1, 65536) << 27;
}

void TestCreateSubstrate::materialList()
{
    QFETCH(SubstrateBuilder, builder);
    QFETCH(int, expectedCount);
    builder.makeMaterialList();
    const auto expected = referenceCells(builder);
    QCOMPARE(builder.materials.size(), expected.size());
    QVERIFY(builder.materials == expected);
    if (expectedCount >= 0)
        QCOMPARE(filled(builder.materials), std::size_t(expectedCount));
}

void TestCreateSubstrate::dialogDefaultsFillBelowThirtyOnly()
{
    Core::Workspace workspace;
    substrateFactory(workspace, [](CreateSubstrateOperation &op) {
        op.setBlockSubstrate(7, 100, 100, 80, Util::Vector3D(1.5, -2, 3), 0, 0, 0, 100, 100, 30);
        op.step();
    });
    workspace.activate(CreateSubstrateOperation::operationId);

    const auto objects = workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 1);
    auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first());
    QVERIFY(volume);
    QCOMPARE(volume->getSizeX(), 100u);
    QCOMPARE(volume->getSizeZ(), 80u);
    QCOMPARE(volume->getPosition().x, 1.5);
    QCOMPARE(volume->getPosition().y, -2.0);
    const auto ids = volume->materialIds();
    std::size_t wrong = 0;
    for (std::uint32_t x = 0; x < 100; ++x)
        for (std::uint32_t y = 0; y < 100; ++y)
            for (std::uint32_t z = 0; z < 80; ++z)
                wrong += ids[volume->index(x, y, z)] != (z < 30 ? 7u : 0u);
    QCOMPARE(wrong, std::size_t(0));
    QCOMPARE(workspace.getConsoleInput().getMessage(),
             QStringLiteral("Create Substrate: substrate created successfully."));
}

void TestCreateSubstrate::createUndoRedoSameObject()
{
    Core::Workspace workspace;
    auto log = logMessages(workspace);
    substrateFactory(workspace, [](CreateSubstrateOperation &op) {
        op.setSphericalSubstrate(2, 5, 5, 5, Util::Vector3D(), 2, 2, 2, 1);
        op.step();
    });
    workspace.activate(CreateSubstrateOperation::operationId);

    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(log->lines, QStringList{"Create Substrate: substrate created successfully."});
    auto &stack = workspace.getUndoRedo();
    QCOMPARE(stack.undoCount(), std::size_t(1));
    QCOMPARE(stack.undoTopName(), QStringLiteral("Create Substrate"));
    const auto objects = workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 1);
    const std::uint32_t id = objects.first()->getObjectId();
    QCOMPARE(filled(std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first())->materialIds()),
             std::size_t(7));

    QVERIFY(stack.undo());
    QVERIFY(workspace.getDocument().getAllObjects().isEmpty());

    QVERIFY(stack.redo());
    const auto again = workspace.getDocument().getAllObjects();
    QCOMPARE(again.size(), 1);
    QCOMPARE(again.first()->getObjectId(), id);
    QCOMPARE(again.first(), objects.first());
}

void TestCreateSubstrate::badSizes_data()
{
    QTest::addColumn<uint>("nx");
    QTest::addColumn<uint>("ny");
    QTest::addColumn<uint>("nz");
    QTest::addColumn<bool>("spherical");
    QTest::addColumn<QString>("expected");
    const QString memory = QStringLiteral("Create Substrate: not enough memory for a volume of %1 x %2 x %3 cells.");
    QTest::newRow("largest dialog volume, block")
        << 10000u << 10000u << 10000u << false << memory.arg(10000).arg(10000).arg(10000);
    QTest::newRow("largest dialog volume, sphere")
        << 10000u << 10000u << 10000u << true << memory.arg(10000).arg(10000).arg(10000);
    QTest::newRow("uneven sizes in the message") << 9000u << 10000u << 8000u << false << memory.arg(9000).arg(10000).arg(8000);
    QTest::newRow("no cells along y")
        << 10u << 0u << 10u << false
        << QStringLiteral("Create Substrate: a volume needs at least one cell along each axis.");
}

void TestCreateSubstrate::badSizes()
{
    QFETCH(uint, nx);
    QFETCH(uint, ny);
    QFETCH(uint, nz);
    QFETCH(bool, spherical);
    QFETCH(QString, expected);
    Core::Workspace workspace;
    auto log = logMessages(workspace);
    substrateFactory(workspace, [=](CreateSubstrateOperation &op) {
        if (spherical)
            op.setSphericalSubstrate(1, nx, ny, nz, Util::Vector3D(), 5, 5, 5, 50);
        else
            op.setBlockSubstrate(1, nx, ny, nz, Util::Vector3D(), 0, 0, 0, nx, ny, 30);
        op.step();
    });
    workspace.activate(CreateSubstrateOperation::operationId);
    QCOMPARE(log->lines, QStringList{expected});
    QVERIFY(!workspace.getCurrentOperation());
    QVERIFY(workspace.getDocument().getAllObjects().isEmpty());
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
}

QTEST_GUILESS_MAIN(TestCreateSubstrate)
#include "tst_createsubstrate.moc"

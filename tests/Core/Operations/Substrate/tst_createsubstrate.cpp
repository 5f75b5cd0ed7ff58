#include "Core/ProcessTable.h"
#include "Core/TestOperations.h"

#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Core/Operations/Substrate/SubstrateBuilder.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/SubstrateStep.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Document.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <tuple>

using Core::Operations::CreateSubstrateOperation;
using Core::Operations::SubstrateBuilder;
using namespace TestSupport;
using U = std::uint32_t;

namespace {

// A workspace whose Create Substrate plays its options dialog with `dialog`.
struct Bench
{
    explicit Bench(std::function<void(CreateSubstrateOperation &)> dialog)
    {
        playDialogs<CreateSubstrateOperation>(workspace, std::move(dialog));
        workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::CreateSubstrate));
    }
    Core::Workspace workspace;
    std::shared_ptr<MessageLog> log = logMessages(workspace);
};

// The cells of a substrate straight from their definition, over every cell.
std::vector<U> referenceCells(const SubstrateBuilder &b)
{
    std::vector<U> ids;
    const auto in = [](U v, U offset, U size) { return v >= offset && std::uint64_t(v) < std::uint64_t(offset) + size; };
    for (U x = 0; x < b.sizeX; ++x)
        for (U y = 0; y < b.sizeY; ++y)
            for (U z = 0; z < b.sizeZ; ++z) {
                const double dx = double(x) - b.sphereCenterX, dy = double(y) - b.sphereCenterY,
                             dz = double(z) - b.sphereCenterZ, r = b.sphereRadius;
                const bool inside = b.spherical ? dx * dx + dy * dy + dz * dz <= r * r
                                                : in(x, b.blockOffsetX, b.blockSizeX) && in(y, b.blockOffsetY, b.blockSizeY)
                                                      && in(z, b.blockOffsetZ, b.blockSizeZ);
                ids.push_back(inside ? b.material : 0);
            }
    return ids;
}

SubstrateBuilder block(U n, U ox, U oz, U sx, U sy, U sz)
{
    SubstrateBuilder b;
    b.material = 4;
    b.sizeX = b.sizeY = b.sizeZ = n;
    std::tie(b.blockOffsetX, b.blockOffsetZ, b.blockSizeX, b.blockSizeY, b.blockSizeZ) = std::make_tuple(ox, oz, sx, sy, sz);
    return b;
}

SubstrateBuilder sphere(U n, U cx, U r)
{
    SubstrateBuilder b = block(n, 0, 0, 0, 0, 0);
    b.spherical = true;
    std::tie(b.sphereCenterX, b.sphereCenterY, b.sphereCenterZ, b.sphereRadius) = std::make_tuple(cx, n / 2, n / 2, r);
    return b;
}

std::size_t filled(const std::vector<U> &ids)
{
    return std::size_t(std::count_if(ids.begin(), ids.end(), [](U id) { return id != 0; }));
}

} // namespace

Q_DECLARE_METATYPE(SubstrateBuilder)

class TestCreateSubstrate : public QObject
{
    Q_OBJECT

private slots:
    void materialList_data();
    void materialList();
    void createUndoRedoSameObject();
    void noCellsAlongAnAxis();
    void refusedBeyondAvailableMemory_data();
    void refusedBeyondAvailableMemory();
};

void TestCreateSubstrate::materialList_data()
{
    QTest::addColumn<SubstrateBuilder>("builder");
    QTest::addColumn<int>("expectedCount");
    QTest::newRow("block clipped by the volume") << block(10, 5, 8, 20, 5, 20) << 5 * 5 * 2;
    QTest::newRow("offset and size near 2^32 do not wrap") << block(10, 4000000000u, 0, 4000000000u, 10, 10) << 0;
    QTest::newRow("sphere radius 0") << sphere(5, 2, 0) << 1;
    QTest::newRow("sphere radius 1") << sphere(5, 2, 1) << 7;
    QTest::newRow("radius whose 32-bit square wraps") << sphere(3, 1, 65536) << 27;
}

void TestCreateSubstrate::materialList()
{
    QFETCH(SubstrateBuilder, builder);
    QFETCH(int, expectedCount);
    builder.makeMaterialList();
    QVERIFY(builder.materials == referenceCells(builder));
    QCOMPARE(filled(builder.materials), std::size_t(expectedCount));
}

// The dialog's substrate reaches the volume; undo removes it, redo brings back the same object.
void TestCreateSubstrate::createUndoRedoSameObject()
{
    Bench bench([](CreateSubstrateOperation &op) {
        op.setBlockSubstrate(7, 10, 12, 8, Util::Vector3D(1.5, -2, 3), 0, 0, 0, 10, 12, 3);
        op.step();
    });
    QCOMPARE(bench.log->lines, QStringList{"Create Substrate: substrate created successfully."});
    QVERIFY(!bench.workspace.getCurrentOperation());
    auto &stack = bench.workspace.getUndoRedo();
    QCOMPARE(stack.undoTopName(), QStringLiteral("Create Substrate"));
    const auto objects = bench.workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 1);
    auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first());
    QCOMPARE(QVector<U>({volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()}), QVector<U>({10, 12, 8}));
    QCOMPARE(volume->getPosition(), Util::Vector3D(1.5, -2, 3));
    const auto ids = volume->materialIds();
    for (U k = 0; k < ids.size(); ++k) // z is the fastest axis
        QCOMPARE(ids[k], k % 8 < 3 ? 7u : 0u);
    QVERIFY(stack.undo());
    QVERIFY(bench.workspace.getDocument().getAllObjects().isEmpty());
    QVERIFY(stack.redo());
    QCOMPARE(bench.workspace.getDocument().getAllObjects(), objects);
}

// Nothing is created, kept or recorded; the operation ends with its message.
void TestCreateSubstrate::noCellsAlongAnAxis()
{
    Bench bench([](CreateSubstrateOperation &op) {
        op.setBlockSubstrate(1, 10, 0, 10, Util::Vector3D(), 0, 0, 0, 10, 0, 30);
        op.step();
    });
    QCOMPARE(bench.log->lines, QStringList{"Create Substrate: a volume needs at least one cell along each axis."});
    QVERIFY(!bench.workspace.getCurrentOperation());
    QVERIFY(bench.workspace.getDocument().getAllObjects().isEmpty());
    QCOMPARE(bench.workspace.getUndoRedo().undoCount(), std::size_t(0));
}

enum class Path { Operation, Document, Recipe };
Q_DECLARE_METATYPE(Path)

void TestCreateSubstrate::refusedBeyondAvailableMemory_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<uint>("nz");
    QTest::addColumn<bool>("refused");
    // 4 MB available; a volume needs 20 bytes per cell at its peak, so
    // 50 x 40 x 50 cells (2 MB) fit and 50 x 40 x 120 (4.8 MB) do not.
    for (const auto &path : {std::make_pair("Create Substrate", Path::Operation),
                             std::make_pair("document", Path::Document),
                             std::make_pair("recipe step", Path::Recipe)}) {
        QTest::addRow("%s, fits", path.first) << path.second << 50u << false;
        QTest::addRow("%s, too large", path.first) << path.second << 120u << true;
    }
}

// Create Substrate, loading a document and a recipe's Create Substrate step
// refuse a volume that does not fit into the memory available, with their
// messages and before allocating it.
void TestCreateSubstrate::refusedBeyondAvailableMemory()
{
    QFETCH(Path, path);
    QFETCH(uint, nz);
    QFETCH(bool, refused);
    const U nx = 50, ny = 40;
    QTemporaryDir dir;
    Model::Persistence::ArchiverRegistry registry(dir.path());
    const QString document = dir.filePath(QStringLiteral("volume.kst"));
    if (path == Path::Document) {
        Model::Document original;
        original.addObject(makeVolume(nx, ny, nz, 1));
        QVERIFY(Model::Persistence::DocumentWriter(registry).save(original, document).ok);
    }

    Model::Automaton::MemoryBudget::setAvailableBytesForTesting(4000000);
    std::shared_ptr<void> restore(nullptr, [](void *) { Model::Automaton::MemoryBudget::setAvailableBytesForTesting(0); });
    if (path == Path::Operation) {
        Bench bench([=](CreateSubstrateOperation &op) {
            op.setBlockSubstrate(1, nx, ny, nz, Util::Vector3D(), 0, 0, 0, nx, ny, 3);
            op.step();
        });
        QCOMPARE(bench.log->lines.size(), 1);
        QCOMPARE(bench.log->lines.first(),
                 refused ? QStringLiteral("Create Substrate: not enough memory for a volume of 50 x 40 x %1 cells.").arg(nz)
                         : QStringLiteral("Create Substrate: substrate created successfully."));
        QCOMPARE(bench.workspace.getDocument().getAllObjects().size(), refused ? 0 : 1);
    } else if (path == Path::Document) {
        Model::Document loaded;
        const auto result = Model::Persistence::DocumentReader(registry).load(loaded, document);
        QVERIFY(result.ok);
        QCOMPARE(result.warnings.filter(QStringLiteral("does not fit in memory")).size(), refused ? 1 : 0);
        QCOMPARE(loaded.getAllObjects().size(), refused ? 0 : 1);
    } else {
        Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate));
        const QList<QPair<QString, QVariant>> parameters = {
            {"MaterialId", 1u}, {"Lower Left Front Corner", QVariant::fromValue(Util::Vector3D())},
            {"Volume Size X", nx}, {"Volume Size Y", ny}, {"Volume Size Z", nz}, {"SphericalSubstrate", false},
            {"Substrate Size X", nx}, {"Substrate Size Y", ny}, {"Substrate Size Z", 3u},
            {"Substrate Delta X", 0u}, {"Substrate Delta Y", 0u}, {"Substrate Delta Z", 0u}};
        for (const auto &parameter : parameters)
            step.setParameter(parameter.first, parameter.second, true);
        Core::BatchRun::BatchStepExecutor::Context context;
        const int code = Core::BatchRun::SubstrateStep::run(step, context);
        QCOMPARE(code, int(refused ? Core::BatchRun::BatchStepExecutor::NotEnoughMemory
                                   : Core::BatchRun::BatchStepExecutor::Done));
        QCOMPARE(bool(context.volume), !refused);
    }
}

QTEST_GUILESS_MAIN(TestCreateSubstrate)
#include "tst_createsubstrate.moc"

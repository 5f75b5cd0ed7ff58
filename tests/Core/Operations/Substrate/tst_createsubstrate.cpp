#include "Core/ProcessRuns.h"
#include "Core/ProcessTable.h"

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
    void cellSizes_data();
    void cellSizes();
    void placedBesideOtherVolumes_data();
    void placedBesideOtherVolumes();
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

using Sizes = QVector<double>;

// The cell size chosen when the volume is made, from the options and from a
// process-list step (which may leave it out: 1 µm); sizes no volume may have
// are refused with the reason and nothing is made.
void TestCreateSubstrate::cellSizes_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<Sizes>("given"); // empty: the step leaves the parameters out
    QTest::addColumn<Sizes>("made");  // empty: refused
    QTest::addColumn<QString>("reason");
    for (const Path path : {Path::Operation, Path::Recipe}) {
        const char *by = path == Path::Operation ? "options" : "process list";
        QTest::addRow("%s: 0.5 x 2 x 3 µm", by) << path << Sizes{0.5, 2, 3} << Sizes{0.5, 2, 3} << QString();
        QTest::addRow("%s: both ends of the range", by) << path << Sizes{0.0001, 1000, 1} << Sizes{0.0001, 1000, 1}
                                                       << QString();
        QTest::addRow("%s: zero", by) << path << Sizes{1, 0, 1} << Sizes{}
                                      << (path == Path::Operation ? "the cell size 1 x 0 x 1 µm is not possible"
                                                                  : "\"Cell Size Y\" must be");
        QTest::addRow("%s: beyond 1000 µm", by) << path << Sizes{1, 1, 1500} << Sizes{}
                                                << (path == Path::Operation ? "each side must lie between 0.0001 and 1000 µm"
                                                                            : "from 0.0001 to 1000 µm (got 1500)");
    }
    QTest::newRow("process list written before cell sizes: 1 µm") << Path::Recipe << Sizes{} << Sizes{1, 1, 1} << QString();
}

void TestCreateSubstrate::cellSizes()
{
    QFETCH(Path, path);
    QFETCH(Sizes, given);
    QFETCH(Sizes, made);
    QFETCH(QString, reason);
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    QString said;
    if (path == Path::Operation) {
        Bench bench([&given](CreateSubstrateOperation &op) {
            op.setCellSize(float(given[0]), float(given[1]), float(given[2]));
            op.setBlockSubstrate(1, 4, 4, 4, Util::Vector3D(), 0, 0, 0, 4, 4, 2);
            op.step();
        });
        said = bench.log->lines.join(QLatin1Char('\n'));
        const auto objects = bench.workspace.getDocument().getAllObjects();
        if (!objects.isEmpty())
            volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first());
    } else {
        const auto defaults = Core::ProcessTable::defaultStep(Core::ProcessKey::CreateSubstrate).getParameters();
        Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate));
        for (auto p = defaults.begin(); p != defaults.end(); ++p) {
            if (!p.key().startsWith(QLatin1String("Cell Size ")))
                step.setParameter(p.key(), p.value(), true);
        }
        for (int axis = 0; axis < given.size(); ++axis)
            step.setParameter(QStringLiteral("Cell Size %1").arg(QLatin1Char(char('X' + axis))), given[axis], true);
        Core::BatchRun::BatchStepExecutor::Context context;
        const int code = Core::BatchRun::SubstrateStep::run(step, context);
        QCOMPARE(code == Core::BatchRun::BatchStepExecutor::Done, !made.isEmpty());
        volume = context.volume;
        said = context.failureReason;
    }
    QCOMPARE(bool(volume), !made.isEmpty());
    if (volume)
        QCOMPARE(Sizes({volume->getCellSizeX(), volume->getCellSizeY(), volume->getCellSizeZ()}),
                 Sizes({float(made[0]), float(made[1]), float(made[2])}));
    else
        QVERIFY2(said.contains(reason), qPrintable(said));
}

void TestCreateSubstrate::refusedBeyondAvailableMemory_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<uint>("nz");
    QTest::addColumn<bool>("refused");
    // 4 MB available; a volume holds 4 bytes per cell (a step checks its
    // own working memory when it runs), so 50 x 40 x 50 cells (0.4 MB) fit
    // and 50 x 40 x 600 (4.8 MB) do not.
    for (const auto &path : {std::make_pair("Create Substrate", Path::Operation),
                             std::make_pair("document", Path::Document),
                             std::make_pair("recipe step", Path::Recipe)}) {
        QTest::addRow("%s, fits", path.first) << path.second << 50u << false;
        QTest::addRow("%s, too large", path.first) << path.second << 600u << true;
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
        const auto step = stepOf(Core::ProcessKey::CreateSubstrate,
                                 {{"Volume Size X", nx}, {"Volume Size Y", ny}, {"Volume Size Z", nz},
                                  {"Substrate Size X", nx}, {"Substrate Size Y", ny}, {"Substrate Size Z", 3u}});
        Core::BatchRun::BatchStepExecutor::Context context;
        const int code = Core::BatchRun::SubstrateStep::run(step, context);
        QCOMPARE(code, int(refused ? Core::BatchRun::BatchStepExecutor::NotEnoughMemory
                                   : Core::BatchRun::BatchStepExecutor::Done));
        QCOMPARE(bool(context.volume), !refused);
    }
}

// A new volume asked where another one stands goes beside the scene's
// volumes and says so; a free place is kept as asked.
void TestCreateSubstrate::placedBesideOtherVolumes_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<Util::Vector3D>("asked");
    QTest::addColumn<Util::Vector3D>("placed");
    // The scene: 10 x 10 x 8 cells of 0.5 µm at (0, 0, 0) and of 1 µm at (20, 0, 0).
    // The new volume: 8 x 8 x 4 cells of 1 µm, a gap of a tenth of its width.
    for (const Path path : {Path::Operation, Path::Recipe}) {
        const char *by = path == Path::Operation ? "options" : "process list";
        QTest::addRow("%s: at the origin, inside the first", by) << path << Util::Vector3D() << Util::Vector3D(30.8, 0, 0);
        QTest::addRow("%s: touching the first is free", by) << path << Util::Vector3D(5, 0, 0) << Util::Vector3D(5, 0, 0);
        QTest::addRow("%s: above both is free", by) << path << Util::Vector3D(0, 0, 8) << Util::Vector3D(0, 0, 8);
        QTest::addRow("%s: overlapping the second by a corner", by)
            << path << Util::Vector3D(13, 9.5, -3.5) << Util::Vector3D(30.8, 9.5, -3.5);
    }
}

void TestCreateSubstrate::placedBesideOtherVolumes()
{
    QFETCH(Path, path);
    QFETCH(Util::Vector3D, asked);
    QFETCH(Util::Vector3D, placed);
    Core::Workspace workspace;
    const std::shared_ptr<MessageLog> log = logMessages(workspace);
    workspace.getDocument().addObject(std::make_shared<Model::Automaton::TotalVolume>(
        10, 10, 8, 0.5f, 0.5f, 0.5f, Util::Vector3D(), std::vector<U>(800, 1u)));
    workspace.getDocument().addObject(std::make_shared<Model::Automaton::TotalVolume>(
        10, 10, 8, 1.f, 1.f, 1.f, Util::Vector3D(20, 0, 0), std::vector<U>(800, 1u)));
    if (path == Path::Operation) {
        playDialogs<CreateSubstrateOperation>(workspace, [&asked](CreateSubstrateOperation &op) {
            op.setBlockSubstrate(1, 8, 8, 4, asked, 0, 0, 0, 8, 8, 2);
            op.step();
        });
        workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::CreateSubstrate));
    } else {
        const auto step = stepOf(Core::ProcessKey::CreateSubstrate,
                                 {{"Lower Left Front Corner", QVariant::fromValue(asked)}, {"Volume Size X", 8u},
                                  {"Volume Size Y", 8u}, {"Volume Size Z", 4u}, {"Substrate Size X", 8u},
                                  {"Substrate Size Y", 8u}});
        Core::BatchRun::BatchStepExecutor::Context context;
        context.workspace = &workspace;
        QCOMPARE(Core::BatchRun::SubstrateStep::run(step, context), int(Core::BatchRun::BatchStepExecutor::Done));
    }
    const auto objects = workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 3);
    const auto made = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.last());
    QCOMPARE(made->getPosition(), placed);
    const bool moved = !(placed == asked);
    QCOMPARE(log->lines.filter(QStringLiteral("would overlap an existing volume; it was placed beside")).size(),
             moved ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestCreateSubstrate)
#include "tst_createsubstrate.moc"

#include "Core/TestOperations.h"

#include "Core/Operations/VolumeEditing/CutCellVolumeOperation.h"
#include "Core/Operations/VolumeEditing/ExtractFilm.h"
#include "Core/Operations/VolumeEditing/FilmExtraction.h"
#include "Core/Operations/VolumeEditing/GlueSubstrate.h"
#include "Core/Operations/VolumeEditing/GlueSubstrateOperation.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Document.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Core::Operations;
using namespace TestSupport;
using Model::Automaton::TotalVolume;
using U = std::uint32_t;

namespace {

U at(TotalVolume &v, U x, U y, U z)
{
    return v.materialIds()[v.index(x, y, z)];
}

std::shared_ptr<TotalVolume> randomVolume(U nx, U ny, U nz, quint32 seed)
{
    QRandomGenerator random(seed);
    return volumeFrom(nx, ny, nz, [&](U, U, U z) { return z < nz - 1 && random.bounded(3) ? random.bounded(1, 4) : 0; });
}

// Silicon up to z = 3 in a 10 x 10 x 8 volume.
std::shared_ptr<TotalVolume> exampleBase()
{
    return volumeFrom(10, 10, 8, [](U, U, U z) { return z <= 3 ? 1u : 0u; });
}

// Oxide at z 0, gold at z 1, and one marker cell at x = 0 of layer 1.
std::shared_ptr<TotalVolume> exampleTop()
{
    return volumeFrom(10, 10, 8, [](U x, U y, U z) { return z == 0 ? 3u : z == 1 ? (x == 0 && y == 2 ? 7u : 5u) : 0u; });
}

// A workspace whose operations of type Op play their dialog with `dialog`.
template <class Op>
struct Bench
{
    explicit Bench(std::function<void(Op &)> dialog) { playDialogs<Op>(workspace, std::move(dialog)); }
    std::shared_ptr<TotalVolume> add(const std::shared_ptr<TotalVolume> &v)
    {
        workspace.getDocument().addObject(v);
        return v;
    }
    void pick(const std::shared_ptr<TotalVolume> &v)
    {
        workspace.getSelection().select(v);
        workspace.getConsoleInput().processLine(QString());
    }
    Core::Workspace workspace;
    std::shared_ptr<MessageLog> log = logMessages(workspace);
};

} // namespace

class TestVolumeEditing : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Model::Automaton::MemoryBudget::setAvailableBytesForTesting(0); }
    void glueLayouts_data();
    void glueLayouts();
    void slabsAgree();
    void glueOperationSwapsVolumes();
    void glueRefusals_data();
    void glueRefusals();
    void glueRefusesOtherCellSizes();
    void extractFilm_data();
    void extractFilm();
    void extractOperationUndoRemovesFilmOnly();
    void cutPlanes();
};

void TestVolumeEditing::glueLayouts_data()
{
    QTest::addColumn<U>("topX");
    QTest::addColumn<U>("topY");
    QTest::addColumn<bool>("emptyTop");
    QTest::addColumn<bool>("emptyBase");
    QTest::newRow("top smaller in x and y") << 4u << 3u << false << false;
    QTest::newRow("empty top adds no layers") << 10u << 10u << true << false;
    QTest::newRow("empty base starts at 1") << 10u << 10u << false << true;
}

void TestVolumeEditing::glueLayouts()
{
    QFETCH(U, topX);
    QFETCH(U, topY);
    QFETCH(bool, emptyTop);
    QFETCH(bool, emptyBase);
    auto base = emptyBase ? volumeFrom(10, 10, 8, [](U, U, U) { return 0u; }) : exampleBase();
    auto top = volumeFrom(topX, topY, 5, [emptyTop](U, U, U z) { return !emptyTop && z >= 1 && z <= 2 ? 4u : 0u; });
    const GlueLayout layout = GlueSubstrate::measure(*base, *top);
    const U baseTop = emptyBase ? 1u : 4u;
    QCOMPARE(layout.baseTop, baseTop);
    QCOMPARE(layout.maxDisplacementX, 10u - topX);
    QCOMPARE(layout.maxDisplacementY, 10u - topY);
    QCOMPARE(layout.minSizeZ, std::uint64_t(baseTop + (emptyTop ? 0 : 2)));
    QCOMPARE(layout.topHighest - layout.topLowest, emptyTop ? 0u : 2u);
    // The top may sit anywhere within the footprint; the far corner is the limit.
    GlueOptions options = GlueOptions::minimal(layout);
    options.displacementX = layout.maxDisplacementX;
    options.displacementY = layout.maxDisplacementY;
    QString error;
    auto glued = GlueSubstrate::glue(*base, *top, options, &error);
    QVERIFY2(glued, qPrintable(error));
    QCOMPARE(glued->getSizeZ(), U(layout.minSizeZ));
    std::size_t topCells = 0;
    for (U x = 0; x < 10; ++x)
        for (U y = 0; y < 10; ++y)
            for (U z = baseTop; z < glued->getSizeZ(); ++z) {
                const bool inside = x >= 10 - topX && y >= 10 - topY;
                QCOMPARE(at(*glued, x, y, z), inside ? 4u : 0u);
                topCells += inside;
            }
    QCOMPARE(topCells, emptyTop ? 0 : std::size_t(topX) * topY * 2);
}

namespace {
// The bond cell by cell: the base up to its highest occupied layer, then the
// top's occupied layers (turned about y when inverted), shifted.
std::vector<U> glueReference(TotalVolume &base, TotalVolume &top, const GlueOptions &o)
{
    const auto b = base.materialIds(), t = top.materialIds();
    const auto occupied = [](const std::vector<U> &ids, const TotalVolume &v, U z) {
        for (U x = 0; x < v.getSizeX(); ++x)
            for (U y = 0; y < v.getSizeY(); ++y)
                if (ids[v.index(x, y, z)] != 0)
                    return true;
        return false;
    };
    U baseTop = 1, lo = top.getSizeZ(), hi = top.getSizeZ();
    for (U z = 0; z < base.getSizeZ(); ++z)
        if (occupied(b, base, z))
            baseTop = z + 1;
    for (U z = top.getSizeZ(); z-- > 0;)
        if (occupied(t, top, z)) {
            lo = z;
            if (hi == top.getSizeZ())
                hi = z + 1;
        }
    std::vector<U> ids;
    for (U x = 0; x < o.finalSizeX; ++x)
        for (U y = 0; y < o.finalSizeY; ++y)
            for (U z = 0; z < o.finalSizeZ; ++z) {
                U id = 0;
                const U sx = x - o.displacementX, sy = y - o.displacementY, k = z - baseTop;
                if (z < baseTop && x < base.getSizeX() && y < base.getSizeY() && z < base.getSizeZ())
                    id = b[base.index(x, y, z)];
                else if (z >= baseTop && k < hi - lo && x >= o.displacementX && sx < top.getSizeX()
                         && y >= o.displacementY && sy < top.getSizeY())
                    id = t[top.index(o.invertTop ? top.getSizeX() - 1 - sx : sx, sy, o.invertTop ? hi - 1 - k : lo + k)];
                ids.push_back(id);
            }
    return ids;
}
} // namespace

// Any number of slabs glues and extracts as one does, and glues as the reference.
void TestVolumeEditing::slabsAgree()
{
    auto base = randomVolume(37, 11, 9, 7), top = randomVolume(29, 7, 6, 8);
    const GlueLayout layout = GlueSubstrate::measure(*base, *top, 1);
    QCOMPARE(GlueSubstrate::measure(*base, *top, 5).minSizeZ, layout.minSizeZ);
    for (bool invert : {false, true}) {
        GlueOptions options = GlueOptions::minimal(layout, invert);
        options.displacementX = 3;
        options.displacementY = 2;
        const auto one = GlueSubstrate::build(*base, *top, layout, options, 1)->materialIds();
        QVERIFY(one == glueReference(*base, *top, options));
        for (int threads : {2, 3, 8, 20})
            QVERIFY(GlueSubstrate::build(*base, *top, layout, options, threads)->materialIds() == one);
    }
    auto source = randomVolume(41, 9, 12, 3);
    for (bool invert : {false, true}) {
        const auto one = FilmExtraction::extract(*source, 2, invert, 1)->materialIds();
        QVERIFY(std::count(one.begin(), one.end(), 2u) > 0);
        for (int threads : {2, 4, 7, 50})
            QVERIFY(FilmExtraction::extract(*source, 2, invert, threads)->materialIds() == one);
    }
}

void TestVolumeEditing::glueOperationSwapsVolumes()
{
    // The dialog accepted as it opens: the minimum sizes, no shift. The top
    // stands first and another volume between the two: undo puts each back.
    Bench<GlueSubstrateOperation> bench([](GlueSubstrateOperation &op) { op.end(); });
    auto top = bench.add(exampleTop()), between = bench.add(exampleTop()), base = bench.add(exampleBase());
    const auto order = bench.workspace.getDocument().getAllObjects();
    const auto baseCells = base->materialIds(), topCells = top->materialIds();
    bench.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Glue));
    bench.workspace.getConsoleInput().processLine(QString());
    bench.pick(base);
    bench.workspace.getConsoleInput().processLine(QString());
    QVERIFY(bench.workspace.getSelection().isSelectionMode());
    bench.pick(base); // the base again is refused as the top
    bench.pick(top);
    const QString selectBase = "Glue Volumes: select the base cell volume and press Enter/Return.",
                  selectTop = "Glue Volumes: select the top cell volume and press Enter/Return.";
    QCOMPARE(bench.log->lines,
             QStringList({selectBase, selectBase,
                          "Glue Volumes: base cell volume selected. Select top cell volume and press enter", selectTop,
                          selectTop, "Glue Volumes: top cell volume selected."}));
    auto objects = bench.workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 2);
    QCOMPARE(objects.first(), std::static_pointer_cast<Model::Object>(between));
    auto glued = std::dynamic_pointer_cast<TotalVolume>(objects.last());
    QVERIFY(glued);
    QCOMPARE(glued->getSizeZ(), 6u);
    auto &stack = bench.workspace.getUndoRedo();
    QCOMPARE(stack.undoTopName(), QStringLiteral("Glue Volumes"));
    QVERIFY(stack.undo());
    QCOMPARE(bench.workspace.getDocument().getAllObjects(), order);
    QVERIFY(base->materialIds() == baseCells);
    QVERIFY(top->materialIds() == topCells);
    QVERIFY(stack.redo());
    QCOMPARE(bench.workspace.getDocument().getAllObjects(), QList<std::shared_ptr<Model::Object>>({between, glued}));
}

void TestVolumeEditing::glueRefusals_data()
{
    QTest::addColumn<U>("sizeXY");
    QTest::addColumn<U>("sizeZ");
    QTest::addColumn<U>("shiftX");
    QTest::addColumn<QString>("message");
    QTest::newRow("beyond memory") << 10u << 200000u << 0u
                                   << QStringLiteral("Glue Volumes: not enough memory for a volume of 10 x 10 x 200000 cells.");
    // 200 x 200 x 107,375 = 2^32 + 32,704 cells: a 32-bit product wraps to an
    // array of 32,704 cells that fits the budget and is then overrun.
    QTest::newRow("32-bit wrap") << 200u << 107375u << 0u
                                 << QStringLiteral("Glue Volumes: not enough memory for a volume of 200 x 200 x 107375 cells.");
    QTest::newRow("below the minimum") << 10u << 5u << 0u
                                       << QStringLiteral("Glue Volumes: the final volume must be at least 10 x 10 x 6 cells.");
    QTest::newRow("shifted out") << 10u << 6u << 1u
                                 << QStringLiteral("Glue Volumes: the top cell volume does not fit at that displacement.");
}

void TestVolumeEditing::glueRefusals()
{
    QFETCH(U, sizeXY);
    QFETCH(U, sizeZ);
    QFETCH(U, shiftX);
    QFETCH(QString, message);
    Model::Automaton::MemoryBudget::setAvailableBytesForTesting(std::uint64_t(64) << 20);
    Bench<GlueSubstrateOperation> bench([&](GlueSubstrateOperation &op) {
        op.setFinalSize(sizeXY, sizeXY, sizeZ);
        op.setDisplacement(shiftX, 0);
        op.end();
    });
    auto base = bench.add(exampleBase()), top = bench.add(exampleTop());
    const auto baseCells = base->materialIds(), topCells = top->materialIds();
    bench.workspace.getSelection().select(base);
    bench.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Glue));
    bench.pick(top);
    QCOMPARE(bench.log->lines.last(), message);
    QCOMPARE(bench.workspace.getDocument().getAllObjects().size(), 2);
    QVERIFY(base->materialIds() == baseCells && top->materialIds() == topCells);
    QCOMPARE(bench.workspace.getUndoRedo().undoCount(), std::size_t(0));
    QVERIFY(!bench.workspace.getCurrentOperation());
}

// Cells of different sizes would not line up: the top is refused with both
// sizes, the base stays chosen and a top of its cell size is still glued.
void TestVolumeEditing::glueRefusesOtherCellSizes()
{
    Bench<GlueSubstrateOperation> bench([](GlueSubstrateOperation &op) { op.end(); });
    const auto finer = exampleTop();
    auto fineTop = bench.add(std::make_shared<TotalVolume>(10, 10, 8, 0.5f, 0.5f, 1.0f, Util::Vector3D(),
                                                           finer->materialIds()));
    auto base = bench.add(exampleBase()), top = bench.add(exampleTop());
    const QString refusal = QStringLiteral(": the base's cells are 1 x 1 x 1 µm and the top's 0.5 x 0.5 x 1 µm; only "
                                           "volumes of the same cell size can be glued.");
    QString error;
    QVERIFY(!GlueSubstrate::glue(*base, *fineTop, false, &error));
    QCOMPARE(error, refusal);
    bench.workspace.getSelection().select(base);
    bench.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Glue));
    bench.pick(fineTop);
    QCOMPARE(bench.log->lines.mid(1, 2), QStringList({QStringLiteral("Glue Volumes") + refusal,
                                                      QStringLiteral("Glue Volumes: select the top cell volume and "
                                                                     "press Enter/Return.")}));
    QCOMPARE(bench.workspace.getDocument().getAllObjects().size(), 3);
    bench.pick(top);
    QCOMPARE(bench.workspace.getDocument().getAllObjects().size(), 2);
    QCOMPARE(bench.workspace.getUndoRedo().undoTopName(), QStringLiteral("Glue Volumes"));
}

void TestVolumeEditing::extractFilm_data()
{
    QTest::addColumn<U>("material");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<bool>("secondPatch");
    // Silicon to z = 4, oxide at z 5 and 6 over x < 4 (and, as a second
    // patch, over x > 6); one oxide cell touching the first only along an edge.
    QTest::newRow("film on silicon") << 3u << false << false;
    QTest::newRow("inverted") << 3u << true << false;
    QTest::newRow("first patch only") << 3u << false << true;
    QTest::newRow("absent material") << 9u << false << true;
}

void TestVolumeEditing::extractFilm()
{
    QFETCH(U, material);
    QFETCH(bool, invert);
    QFETCH(bool, secondPatch);
    const int expectedCells = material == 3 ? 4 * 6 * 2 : 0;
    const U nx = 10, ny = 6, nz = 9;
    auto source = volumeFrom(nx, ny, nz, [secondPatch](U x, U y, U z) {
        if (z <= 4)
            return 1u;
        if ((z == 5 || z == 6) && (x < 4 || (secondPatch && x > 6)))
            return 3u;
        return x == 4 && y == 0 && z == 7 ? 3u : 0u; // edge contact with (3, 0, 6)
    });
    const auto before = source->materialIds();
    auto film = FilmExtraction::extractBeside(*source, material, invert);
    QVERIFY(film);
    QVERIFY(source->materialIds() == before);
    QCOMPARE(film->getPosition().x, double(nx + 10));
    const auto ids = film->materialIds();
    QCOMPARE(int(std::count(ids.begin(), ids.end(), material)), expectedCells);
    QCOMPARE(int(std::count(ids.begin(), ids.end(), 0u)), int(ids.size()) - expectedCells);
    if (expectedCells == 0)
        return;
    // Resting on z = 0 and 1 over the same x (it covers every y, mirrored or not).
    for (U x = 0; x < nx; ++x)
        for (U y = 0; y < ny; ++y)
            for (U z = 0; z < nz; ++z)
                QCOMPARE(at(*film, x, y, z), x < 4 && z < 2 ? material : 0u);
    // A lone cell in the upper half of y: inversion mirrors y and z.
    auto lone = volumeFrom(3, 4, 5, [](U x, U y, U z) { return x == 1 && y == 3 && z == 2 ? 6u : 0u; });
    QCOMPARE(at(*FilmExtraction::extract(*lone, 6, true), 1, 0, 0), 6u);
}

void TestVolumeEditing::extractOperationUndoRemovesFilmOnly()
{
    Bench<ExtractFilm> bench([](ExtractFilm &op) {
        op.setFilmMaterial(3);
        op.end();
    });
    auto source = bench.add(volumeFrom(6, 6, 6, [](U, U, U z) { return z < 2 ? 1u : z < 4 ? 3u : 0u; }));
    const auto cells = source->materialIds();
    bench.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::ExtractFilm));
    bench.pick(source);
    QCOMPARE(bench.log->lines, QStringList({QStringLiteral("Extract Film: select a cell volume and press Enter/Return."),
                                            QStringLiteral("Extract Film: cell volume selected."),
                                            QStringLiteral("Extract Film: film extracted.")}));
    QCOMPARE(bench.workspace.getDocument().getAllObjects().size(), 2);
    QVERIFY(bench.workspace.getUndoRedo().undo());
    QCOMPARE(bench.workspace.getDocument().getAllObjects(), QList<std::shared_ptr<Model::Object>>({source}));
    QVERIFY(source->materialIds() == cells);
}

void TestVolumeEditing::cutPlanes()
{
    Bench<CutCellVolumeOperation> bench({});
    auto volume = bench.add(makeVolume(10, 10, 10, 1));
    bench.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Cut));
    auto cut = std::dynamic_pointer_cast<CutCellVolumeOperation>(bench.workspace.getCurrentOperation());
    QVERIFY(cut);
    QCOMPARE(cut->getId(), Core::ProcessTable::operationId(Core::ProcessKey::Cut));
    Model::Automaton::CellRange limits;
    std::array<U, 3> sizes{};
    QVERIFY(!cut->currentLimits(limits, sizes));
    cut->end(); // nothing applied yet: nothing happens
    QVERIFY(bench.workspace.getCurrentOperation());
    bench.pick(volume);
    QVERIFY(cut->currentLimits(limits, sizes));
    QCOMPARE(limits, Model::Automaton::CellRange::whole(10, 10, 10));
    const U lower[3] = {2, 0, 1}, upper[3] = {8, 10, 5};
    cut->applyLimits(lower, upper, false);
    QCOMPARE(volume->getPainter().getLimits(), (Model::Automaton::CellRange{{{2, 0, 1}}, {{8, 10, 5}}}));
    const auto cells = volume->materialIds();
    cut->end();
    QVERIFY(volume->materialIds() == cells);
    QCOMPARE(bench.log->lines.last(), QStringLiteral("Change Cut Planes: Cut planes changed."));
    QCOMPARE(bench.workspace.getUndoRedo().undoCount(), std::size_t(0));
    // A second run cancelled says so in its own words.
    bench.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Cut));
    bench.workspace.cancelCurrent();
    QCOMPARE(bench.log->lines.last(), QStringLiteral("Change Cut Planes: Operation Canceled!"));
}

QTEST_GUILESS_MAIN(TestVolumeEditing)
#include "tst_volumeediting.moc"

#include "Core/ProcessTable.h"
#include "SiEtchTestSupport.h"

#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"
#include "Core/Operations/SiEtching/ContinuosWetEtching.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/ProcessRuns.h"
#include "Model/Persistence/DocumentReader.h"

#include <QThreadPool>
#include <QtTest>

#include <algorithm>
#include <cmath>

using Core::Operations::AtomicStructureSimpleSiWetEtch;
using Core::Operations::ContinuosWetEtching;
using Core::Operations::SiWetEtchEngine;
using Model::Automaton::SiLattice;
using Model::Automaton::TotalVolume;
using namespace SiEtchTest;
using Core::ProcessKey;
using TestSupport::stepOf;

Q_DECLARE_METATYPE(std::vector<std::uint32_t>)

namespace {

enum Rule { BondCounting, Continuous };

std::unique_ptr<SiWetEtchEngine> engineFor(Rule rule, TotalVolume *volume, double depth)
{
    if (rule == BondCounting)
        return std::make_unique<AtomicStructureSimpleSiWetEtch>(volume, depth);
    return std::make_unique<ContinuosWetEtching>(volume, depth);
}

// Runs one etch on a fresh lattice with the pool forced to `threads`.
std::unique_ptr<SiWetEtchEngine> etch(Rule rule, TotalVolume &volume, double depth, int threads)
{
    const int saved = QThreadPool::globalInstance()->maxThreadCount();
    QThreadPool::globalInstance()->setMaxThreadCount(threads);
    volume.rebuildSiLattice();
    auto engine = engineFor(rule, &volume, depth);
    engine->runEtching();
    QThreadPool::globalInstance()->setMaxThreadCount(saved);
    return engine;
}

// The etch written the slow, obvious way: every step looks at every silicon
// atom of the lattice that misses a bond, decides on a snapshot, then removes.
// An open bond of an atom that was silicon at the start counts as a fixed
// atom when it leads outside the volume or into another material.
class ReferenceEtch
{
public:
    ReferenceEtch(const SiLattice &lattice, const std::vector<std::uint32_t> &ids)
        : lattice(lattice), cells(ids), state(lattice.getAtomSlotCount()), occupation(lattice.getAtomSlotCount(), 1.0f),
          closed(lattice.getAtomSlotCount() * 4, false)
    {
        for (SiLattice::AtomId a = 0; a < state.size(); ++a) {
            state[a] = lattice.inLattice(a) ? lattice.state(a) : SiLattice::Absent;
            if (state[a] != SiLattice::Silicon)
                continue;
            for (int slot = 0; slot < 4; ++slot) {
                if (lattice.neighbour(a, slot) != SiLattice::noAtom)
                    continue;
                const Util::Vector3D p = lattice.position(a) + SiLattice::bondVector(SiLattice::sublattice(a % 8), slot);
                const std::int64_t c = lattice.cellIndexAt(p);
                closed[a * 4 + slot] = c < 0 || cells[c] != 0;
            }
        }
        for (std::size_t c = 0; c < cells.size(); ++c)
            counter.push_back(lattice.builtCount(c));
    }

    void run(Rule rule, std::uint64_t steps)
    {
        for (std::uint64_t s = 0; s < steps; ++s) {
            std::vector<SiLattice::AtomId> gone;
            std::vector<float> next = occupation;
            for (SiLattice::AtomId a = 0; a < state.size(); ++a) {
                if (state[a] != SiLattice::Silicon || present(a) == 4)
                    continue;
                if (rule == BondCounting ? bondCountingRemoves(a) : continuousRemoves(a, next[a]))
                    gone.push_back(a);
            }
            occupation = next;
            for (SiLattice::AtomId a : gone) {
                state[a] = SiLattice::Absent;
                const std::int64_t c = lattice.cellIndex(a);
                if (c >= 0 && --counter[c] == 0)
                    cells[c] = 0;
            }
        }
    }

    const SiLattice &lattice;
    std::vector<std::uint32_t> cells;
    std::vector<std::uint8_t> state;

private:
    // 'f' fixed, 's' silicon, 'a' absent or no atom; a closed open bond is fixed.
    char at(SiLattice::AtomId a, int slot, SiLattice::AtomId &n) const
    {
        n = lattice.neighbour(a, slot);
        if (n == SiLattice::noAtom)
            return closed[a * 4 + slot] ? 'f' : 'a';
        return state[n] == SiLattice::Fixed ? 'f' : state[n] == SiLattice::Silicon ? 's' : 'a';
    }
    int present(SiLattice::AtomId a) const
    {
        if (state[a] == SiLattice::Fixed)
            return 4;
        int count = 0;
        SiLattice::AtomId n;
        for (int slot = 0; slot < 4; ++slot)
            count += at(a, slot, n) != 'a';
        return count;
    }
    bool bondCountingRemoves(SiLattice::AtomId a) const
    {
        int second = 0;
        SiLattice::AtomId n;
        for (int slot = 0; slot < 4; ++slot) {
            const char kind = at(a, slot, n);
            second += kind == 'f' ? 3 : kind == 's' ? present(n) - 1 : 0;
        }
        return !(present(a) == 3 && second >= 9);
    }
    bool continuousRemoves(SiLattice::AtomId a, float &left) const
    {
        unsigned ns1 = 0, nb1 = 0, ns2 = 0, nb2 = 0;
        SiLattice::AtomId n, m;
        for (int slot = 0; slot < 4; ++slot) {
            const char kind = at(a, slot, n);
            nb1 += kind == 'f' || (kind == 's' && present(n) == 4);
            ns1 += kind == 's' && present(n) < 4;
            if (n == SiLattice::noAtom)
                continue;
            for (int next = 0; next < 4; ++next) {
                if (next == 3 - slot)
                    continue;
                const char second = at(n, next, m);
                nb2 += second == 'f' || (second == 's' && present(m) == 4);
                ns2 += second == 's' && present(m) < 4;
            }
        }
        const double rest = double(left) - ContinuosWetEtching::rateOf(ns1, nb1, ns2, nb2) * ContinuosWetEtching::timeStep;
        left = rest < 1e-6 ? 0.0f : float(rest);
        return rest < 1e-6;
    }

    std::vector<float> occupation;
    std::vector<bool> closed;
    std::vector<std::uint32_t> counter;
};

// The top silicon cell of column (x, y): the z of the lowest empty cell above silicon.
std::uint32_t surfaceHeight(const std::vector<std::uint32_t> &ids, std::uint32_t ny, std::uint32_t nz, std::uint32_t x,
                            std::uint32_t y)
{
    std::uint32_t z = 0;
    while (z < nz && ids[(std::size_t(x) * ny + y) * nz + z] == silicon)
        ++z;
    return z;
}

} // namespace

class TestSiWetEtch : public QObject
{
    Q_OBJECT

private slots:
    void referenceAndStrips_data();
    void referenceAndStrips();
    void flatFace_data();
    void flatFace();
    void operationsKeepAndRebuildTheLattice_data();
    void operationsKeepAndRebuildTheLattice();
    void pyramidThroughBatch();
    void cellSizesGiveTheResultOfMicrometreCells_data();
    void cellSizesGiveTheResultOfMicrometreCells();
    void earlyStopSaysHowDeep_data();
    void earlyStopSaysHowDeep();
};

void TestSiWetEtch::referenceAndStrips_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<std::uint32_t>("nx");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<double>("depth");
    QTest::newRow("bond counting") << int(BondCounting) << 13u << quint32(1) << 2.0;
    QTest::newRow("continuous") << int(Continuous) << 13u << quint32(2) << 3.0;
    QTest::newRow("one column, more threads") << int(BondCounting) << 1u << quint32(3) << 2.0;
}

// A random masked wafer with pockets: the fast etch on 1 to 5 strips equals
// the brute-force reference cell for cell and atom for atom.
void TestSiWetEtch::referenceAndStrips()
{
    QFETCH(int, rule);
    QFETCH(std::uint32_t, nx);
    QFETCH(quint32, seed);
    QFETCH(double, depth);
    const std::uint32_t ny = 9, nz = 8;
    const auto ids = randomWafer(nx, ny, nz, seed);

    auto reference = volumeOf(nx, ny, nz, ids);
    reference->rebuildSiLattice();
    ReferenceEtch expected(*reference->getSiLattice(), ids);
    expected.run(Rule(rule), SiWetEtchEngine::stepCountFor(depth));
    QVERIFY(expected.cells != ids);

    for (int threads : {1, 2, 3, 5}) {
        auto volume = volumeOf(nx, ny, nz, ids);
        const auto engine = etch(Rule(rule), *volume, depth, threads);
        QCOMPARE(engine->getThreadCount(), nx / unsigned(threads) > 0 ? unsigned(threads) : 1u);
        QVERIFY(volume->materialIds() == expected.cells);
        const SiLattice &lattice = *volume->getSiLattice();
        for (SiLattice::AtomId a = 0; a < lattice.getAtomSlotCount(); ++a)
            if (lattice.inLattice(a) && lattice.state(a) != expected.state[a])
                QFAIL(qPrintable(QStringLiteral("atom %1 differs on %2 strips").arg(a).arg(threads)));
        for (std::size_t c = 0; c < ids.size(); ++c)
            QCOMPARE(lattice.counter(c) > 0, volume->materialIds()[c] == silicon);
    }
}

void TestSiWetEtch::flatFace_data()
{
    QTest::addColumn<double>("depth");
    QTest::addColumn<std::uint32_t>("substrate");
    QTest::addColumn<std::uint32_t>("top");
    QTest::addColumn<bool>("atomsRemoved");
    QTest::newRow("depth 0.1: no step") << 0.1 << silicon << 8u << false;
    QTest::newRow("depth 0.125: one layer") << 0.125 << silicon << 8u << true;
    QTest::newRow("depth 0.75: cells keep their last layer") << 0.75 << silicon << 8u << true;
    QTest::newRow("depth 1") << 1.0 << silicon << 7u << true;
    QTest::newRow("no silicon") << 3.0 << oxide << 0u << false;
    QTest::newRow("depth 1e9 stops once nothing changes") << 1e9 << silicon << 0u << true;
}

// A flat (100) face, at the interior columns: d units of etch lower it by d
// cells; a cell stays silicon until its last atom is gone.
void TestSiWetEtch::flatFace()
{
    QFETCH(double, depth);
    QFETCH(std::uint32_t, substrate);
    QFETCH(std::uint32_t, top);
    QFETCH(bool, atomsRemoved);
    const std::uint32_t n = 16, nz = 11;
    auto before = wafer(n, n, nz, 8, 0, [](auto, auto) { return false; });
    std::replace(before.begin(), before.end(), silicon, substrate);
    auto volume = volumeOf(n, n, nz, before);
    const auto engine = etch(BondCounting, *volume, depth, 2);
    QCOMPARE(engine->getRemovedAtoms() > 0, atomsRemoved);
    QVERIFY(engine->getStepsRun() <= 4 * nz + 1);
    const auto ids = volume->materialIds();
    if (!atomsRemoved)
        QVERIFY(ids == before);
    for (std::uint32_t x = 6; x + 6 < n; ++x)
        for (std::uint32_t y = 6; y + 6 < n; ++y)
            QCOMPARE(surfaceHeight(ids, n, nz, x, y), top);
    // Partly etched top cells count only their remaining atoms.
    const std::size_t topCell = (std::size_t(8) * n + 8) * nz + top - 1;
    const SiLattice &lattice = *volume->getSiLattice();
    QCOMPARE(lattice.counter(topCell) < lattice.builtCount(topCell), atomsRemoved && top == 8);
    QCOMPARE(lattice.getCellCount() == 0, substrate != silicon);
}

void TestSiWetEtch::operationsKeepAndRebuildTheLattice_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("firstDepth");
    // The continuous rule takes about four steps per (100) layer.
    QTest::newRow("BCA Wet Etch") << int(ProcessKey::SiWetEtching) << 1.5;
    QTest::newRow("Continuous Wet Etch") << int(ProcessKey::ContinuousWetEtching) << 5.0;
}

// The interactive etches: undoable through the state files, the lattice kept
// between two etches (the second restores partly etched cells first) and
// rebuilt after any other process, an undo or a redo.
void TestSiWetEtch::operationsKeepAndRebuildTheLattice()
{
    QFETCH(int, key);
    QFETCH(double, firstDepth);
    Core::Workspace workspace;
    const std::uint32_t n = 10, nz = 9;
    const auto before = wafer(n, n, nz, 6, 1, [](auto x, auto y) { return x > 2 && x < 7 && y > 2 && y < 7; });
    auto volume = volumeOf(n, n, nz, before);
    workspace.getDocument().addObject(volume);
    const std::uint32_t id = volume->getObjectId();
    auto runEtch = [&](double depth) {
        TestSupport::startFromMenu(workspace, Core::ProcessTable::kind(ProcessKey(key)),
                                   stepOf(ProcessKey(key), {{QStringLiteral("Depth"), depth}}), volume);
    };

    runEtch(firstDepth);
    const auto etched = volume->materialIds();
    QVERIFY(etched != before);
    QCOMPARE(workspace.lastOperationOn(id), Core::ProcessTable::menuId(ProcessKey(key)));
    QVERIFY(!workspace.isSiLatticeOutdated(id));
    const auto lattice = volume->getSiLattice();
    std::vector<std::uint32_t> counters;
    for (std::size_t c = 0; c < volume->getCellCount(); ++c)
        counters.push_back(lattice->counter(c));
    // Depth 0: the same lattice; partly etched cells get their atoms back,
    // but no cell changes: a warning and no undo entry.
    runEtch(0.0);
    QVERIFY(workspace.getConsoleInput().isWarning());
    QVERIFY(workspace.getConsoleInput().getMessage().endsWith(
        QString::fromUtf8(": Operation finished: changed nothing \xe2\x80\x94 the depth is 0 \xc2\xb5m.")));
    QCOMPARE(volume->getSiLattice(), lattice);
    QVERIFY(volume->materialIds() == etched);
    bool restored = false;
    for (std::size_t c = 0; c < volume->getCellCount(); ++c) {
        QCOMPARE(lattice->counter(c), etched[c] == silicon ? lattice->builtCount(c) : 0u);
        restored = restored || lattice->counter(c) > counters[c];
    }
    QVERIFY(restored);

    auto &stack = workspace.getUndoRedo();
    QCOMPARE(stack.undoCount(), std::size_t(1));
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
    QVERIFY(workspace.isSiLatticeOutdated(id));
    QVERIFY(stack.redo());
    QVERIFY(volume->materialIds() == etched);

    // Any other process marks the lattice out of date; the next etch rebuilds.
    workspace.setSiLatticeOutdated(id, false);
    TestSupport::FillOperation fill(&workspace);
    fill.setVolume(volume);
    fill.setMaterial(oxide);
    fill.setAmount(1);
    fill.end();
    QVERIFY(workspace.isSiLatticeOutdated(id));
    runEtch(0.25);
    QVERIFY(volume->getSiLattice() != lattice);
}

// The shipped example through the batch step: a square opening in an oxide
// mask on (100) silicon etches an inverted pyramid, its flat bottom `depth`
// cells down, its walls at 54.74 degrees (the width shrinks by 2 / tan(54.74)
// cells per cell of depth).
void TestSiWetEtch::pyramidThroughBatch()
{
    const QString examples = QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/");
    Core::Workspace workspace;
    Model::Persistence::DocumentReader reader(workspace.getArchivers());
    QVERIFY(reader.load(workspace.getDocument(), examples + QStringLiteral("masked_wafer.kst")).ok);
    auto volume = std::dynamic_pointer_cast<TotalVolume>(workspace.getDocument().getAllObjects().value(0));
    QVERIFY(volume);
    QList<Core::BatchRun::ProcessData> steps;
    QVERIFY(Core::BatchRun::ProcessListArchiver().loadProcessList(examples + QStringLiteral("si_wet_etch_pyramid.plst"), steps));
    QCOMPARE(steps.size(), 1);
    const std::uint32_t n = volume->getSizeX(), nz = volume->getSizeZ();
    const std::uint32_t top = surfaceHeight(volume->materialIds(), n, nz, 0, 0);

    Core::BatchRun::BatchStepExecutor executor;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = volume;
    const auto bad = stepOf(ProcessKey::SiWetEtching, {{QStringLiteral("Depth"), -1.0}});
    QCOMPARE(executor.execute(bad, context), int(Core::BatchRun::BatchStepExecutor::BadParameter));
    QVERIFY(volume->getSiLattice() == nullptr);
    QCOMPARE(executor.execute(steps.first(), context), int(Core::BatchRun::BatchStepExecutor::Done));
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), 28u);
    QVERIFY(!workspace.isSiLatticeOutdated(volume->getObjectId()));

    const std::uint32_t depth = std::uint32_t(steps.first().getParameter(QStringLiteral("Depth")).toDouble());
    const auto ids = volume->materialIds();
    QCOMPARE(surfaceHeight(ids, n, nz, n / 2, n / 2), top - depth);
    // Least-squares slope of the etched width of the middle rows over depth.
    double sumD = 0, sumW = 0, sumDD = 0, sumDW = 0, count = 0;
    for (std::uint32_t below = 1; below <= depth; ++below)
        for (std::uint32_t along = 0; along < 2; ++along) {
            std::uint32_t width = 0;
            for (std::uint32_t i = 0; i < n; ++i)
                width += ids[((along ? i : n / 2) * std::size_t(n) + (along ? n / 2 : i)) * nz + top - below] == 0;
            sumD += below;
            sumW += width;
            sumDD += double(below) * below;
            sumDW += double(below) * width;
            ++count;
        }
    const double slope = (count * sumDW - sumD * sumW) / (count * sumDD - sumD * sumD);
    const double angle = std::atan(2.0 / -slope) * 180.0 / M_PI;
    QVERIFY2(std::abs(angle - 54.74) < 2.5, qPrintable(QStringLiteral("wall angle %1 degrees").arg(angle)));
    // Nothing under the mask went.
    for (std::uint32_t x = 0; x < n; ++x)
        QCOMPARE(surfaceHeight(ids, n, nz, x, 3), top);
}

void TestSiWetEtch::cellSizesGiveTheResultOfMicrometreCells_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<float>("cx");
    QTest::addColumn<float>("cy");
    QTest::addColumn<float>("cz");
    QTest::addColumn<double>("depth"); // in cells of the smallest size
    QTest::addColumn<quint64>("steps");
    QTest::newRow("bond counting, 0.5 um cells") << int(BondCounting) << 0.5f << 0.5f << 0.5f << 2.0 << quint64(8);
    QTest::newRow("bond counting, 3 um cells") << int(BondCounting) << 3.0f << 3.0f << 3.0f << 2.5 << quint64(10);
    QTest::newRow("continuous, 0.5 um cells") << int(Continuous) << 0.5f << 0.5f << 0.5f << 3.0 << quint64(12);
    QTest::newRow("continuous, 3 um cells") << int(Continuous) << 3.0f << 3.0f << 3.0f << 3.0 << quint64(12);
    QTest::newRow("bond counting, cells 1 x 0.5 x 1.5 um") << int(BondCounting) << 1.0f << 0.5f << 1.5f << 3.0 << quint64(12);
    QTest::newRow("continuous, cells 2 x 3 x 1 um") << int(Continuous) << 2.0f << 3.0f << 1.0f << 3.0 << quint64(12);
}

// A random wafer in cells (cx, cy, cz) etched `depth` smallest cells u deep
// equals it drawn in 1 um cells (each cell split in cx/u x cy/u x cz/u) and
// etched `depth` um: the same atoms go, and a cell is empty exactly when all
// of its 1 um cells are.
void TestSiWetEtch::cellSizesGiveTheResultOfMicrometreCells()
{
    QFETCH(int, rule);
    QFETCH(float, cx);
    QFETCH(float, cy);
    QFETCH(float, cz);
    QFETCH(double, depth);
    QFETCH(quint64, steps);
    const float unit = std::min({cx, cy, cz});
    const std::uint32_t f[3] = {std::uint32_t(cx / unit), std::uint32_t(cy / unit), std::uint32_t(cz / unit)};
    const std::uint32_t nx = 9 - 2 * (f[0] - 1), ny = 8 - 2 * (f[1] - 1), nz = 7 - (f[2] - 1);
    const auto ids = randomWafer(nx, ny, nz, 11);
    auto reference = TestSupport::volumeFrom(nx * f[0], ny * f[1], nz * f[2], [&](auto x, auto y, auto z) {
        return ids[(std::size_t(x / f[0]) * ny + y / f[1]) * nz + z / f[2]];
    });
    const auto fine = reference->materialIds();
    const auto expectedEngine = etch(Rule(rule), *reference, depth, 1);
    QCOMPARE(quint64(expectedEngine->getStepCount()), steps);
    const auto etchedFine = reference->materialIds();
    QVERIFY(etchedFine != fine);

    auto volume = std::make_shared<TotalVolume>(nx, ny, nz, cx, cy, cz, Util::Vector3D(-7.5, 4, 2), ids);
    const auto engine = etch(Rule(rule), *volume, depth * unit, 3);
    QCOMPARE(quint64(engine->getStepCount()), steps);
    QCOMPARE(engine->getRemovedAtoms(), expectedEngine->getRemovedAtoms());
    const auto etched = volume->materialIds();
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z) {
                bool anySilicon = false;
                for (std::uint32_t i = 0; i < f[0] * f[1] * f[2]; ++i)
                    anySilicon = anySilicon
                                 || etchedFine[reference->index(x * f[0] + i / (f[1] * f[2]), y * f[1] + i / f[2] % f[1],
                                                                z * f[2] + i % f[2])] == silicon;
                const std::size_t c = (std::size_t(x) * ny + y) * nz + z;
                const std::uint32_t expected = ids[c] == silicon && !anySilicon ? 0u : ids[c];
                if (etched[c] != expected)
                    QFAIL(qPrintable(QStringLiteral("cell (%1, %2, %3) is %4, expected %5").arg(x).arg(y).arg(z)
                                         .arg(etched[c]).arg(expected)));
            }
    // The two lattices are one: the same extent, the same atoms in the same states.
    const SiLattice &a = *reference->getSiLattice(), &b = *volume->getSiLattice();
    QCOMPARE(b.getAtomSlotCount(), a.getAtomSlotCount());
    QCOMPARE(b.getUnitLength(), double(unit));
    for (SiLattice::AtomId atom = 0; atom < a.getAtomSlotCount(); ++atom)
        if (a.inLattice(atom) != b.inLattice(atom) || (a.inLattice(atom) && a.state(atom) != b.state(atom)))
            QFAIL(qPrintable(QStringLiteral("atom %1 differs").arg(atom)));
}

void TestSiWetEtch::earlyStopSaysHowDeep_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<float>("cellSize");
    QTest::addColumn<int>("opening"); // side of the square opening in the mask, in cells; -1 no mask
    QTest::addColumn<std::uint32_t>("top"); // silicon cells below the mask
    QTest::addColumn<double>("depth"); // in cells
    QTest::addColumn<std::uint32_t>("reached"); // cells
    QTest::addColumn<QString>("why"); // empty: the etch went as deep as asked
    const QString walls = QStringLiteral("the pits closed on their {111} walls");
    // A 6-cell opening closes 3 * sqrt(2) = 4.2 cells down: three whole cells empty.
    QTest::newRow("pit closes, 1 um cells") << int(BondCounting) << 1.0f << 6 << 10u << 9.0 << 3u << walls;
    QTest::newRow("pit closes, 2 um cells") << int(BondCounting) << 2.0f << 6 << 10u << 9.0 << 3u << walls;
    QTest::newRow("pit closes, 0.25 um cells, continuous") << int(Continuous) << 0.25f << 6 << 10u << 40.0 << 3u << walls;
    // Unmasked, the walls rise from the volume's edges: 7 * sqrt(2) = 9.9
    // cells down they meet, below 6 cells of silicon but not below 10.
    QTest::newRow("to the bottom, 3 um cells") << int(BondCounting) << 3.0f << -1 << 6u << 100.0 << 6u
                                               << QStringLiteral("it reached the bottom of the volume");
    QTest::newRow("edge walls meet, 3 um cells") << int(BondCounting) << 3.0f << -1 << 10u << 100.0 << 8u << walls;
    QTest::newRow("fully masked") << int(BondCounting) << 1.0f << 0 << 10u << 5.0 << 0u
                                  << QStringLiteral("no silicon surface was open to the etchant");
    QTest::newRow("as deep as asked") << int(BondCounting) << 0.5f << 12 << 10u << 2.0 << 2u << QString();
    QTest::newRow("as deep as asked, continuous") << int(Continuous) << 1.0f << 12 << 10u << 6.0 << 1u << QString();
}

// A square opening in an oxide mask over the silicon: asked deeper
// than its {111} walls let the pit go, the etch says how deep it went, in
// the engine's numbers and on the console after the finish line.
void TestSiWetEtch::earlyStopSaysHowDeep()
{
    QFETCH(int, rule);
    QFETCH(float, cellSize);
    QFETCH(int, opening);
    QFETCH(std::uint32_t, top);
    QFETCH(double, depth);
    QFETCH(std::uint32_t, reached);
    QFETCH(QString, why);
    const std::uint32_t n = 14, nz = 12;
    const int lo = (int(n) - opening) / 2;
    const auto ids = wafer(n, n, nz, top, opening < 0 ? 0 : 1, [&](auto x, auto y) {
        return int(x) >= lo && int(x) < lo + opening && int(y) >= lo && int(y) < lo + opening;
    });
    const double asked = depth * cellSize;
    auto volume = volumeOf(n, n, nz, ids, cellSize);
    const auto engine = etch(Rule(rule), *volume, asked, 2);
    QCOMPARE(engine->getReachedCells(), reached);
    QCOMPARE(engine->getReachedDepth(), reached * double(cellSize));
    QCOMPARE(engine->stoppedEarly(), !why.isEmpty());
    const QString um = QString::fromUtf8(" \xc2\xb5m"), askedSaid = QString::number(asked) + um;
    const QString reachedSaid = QString::number(reached * double(cellSize)) + um;
    QCOMPARE(engine->stopReport(),
             why.isEmpty() ? QString() : QStringLiteral("etched %1 of the %2 asked; %3").arg(reachedSaid, askedSaid, why));

    // The same etch from the menu: the finish line counts the emptied cells
    // and says how deep it went.
    Core::Workspace workspace;
    auto again = volumeOf(n, n, nz, ids, cellSize);
    workspace.getDocument().addObject(again);
    const ProcessKey key = rule == BondCounting ? ProcessKey::SiWetEtching : ProcessKey::ContinuousWetEtching;
    TestSupport::startFromMenu(workspace, Core::ProcessTable::kind(key),
                               stepOf(key, {{QStringLiteral("Depth"), asked}}), again);
    const auto after = again->materialIds();
    QVERIFY(after == volume->materialIds());
    std::size_t emptied = 0;
    for (std::size_t i = 0; i < ids.size(); ++i)
        emptied += after[i] != ids[i];
    const QString depthSaid = why.isEmpty() ? QStringLiteral("depth %1").arg(askedSaid)
                                            : QStringLiteral("depth %1 of the %2 asked: %3").arg(reachedSaid, askedSaid, why);
    const QString effect = emptied == 0
        ? QStringLiteral("changed nothing \u2014 ") + why
        : QStringLiteral("%1 cells changed (Si -%1), %2")
              .arg(Core::Operations::ProcessEffect::number(emptied), depthSaid);
    QCOMPARE(workspace.getConsoleInput().getMessage(),
             Core::ProcessTable::operationName(key) + QStringLiteral(": Operation finished: ") + effect + QStringLiteral("."));
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(emptied == 0 ? 0 : 1));
}

QTEST_GUILESS_MAIN(TestSiWetEtch)
#include "tst_siwetetch.moc"

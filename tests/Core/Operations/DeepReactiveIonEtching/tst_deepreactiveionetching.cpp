#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtching.h"
#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtchingOperation.h"
#include "Core/Operations/Engines/FluxEngine.h"
#include "Core/ProcessTable.h"
#include "Core/TestOperations.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

using Core::Operations::DeepReactiveIonEtching;
using Core::Operations::DeepReactiveIonEtchingOperation;
using Core::Operations::FluxEngine;
using Core::ProcessKey;
using Core::ProcessTable;
using Core::BatchRun::ProcessData;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t oxide = 3;
constexpr std::uint32_t polymer = DeepReactiveIonEtching::polymerMaterial;

// A silicon wafer of `siliconTop` layers under an oxide mask of `maskLayers`,
// open over the x ranges of `openings` (whole length in y).
struct Layout
{
    std::uint32_t nx, ny, nz;
    std::uint32_t siliconTop;
    std::uint32_t maskLayers;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> openings; // [begin, end) in x
    float cell;
};

std::vector<std::uint32_t> idsOf(const Layout &l)
{
    std::vector<std::uint32_t> ids(std::size_t(l.nx) * l.ny * l.nz, 0);
    for (std::uint32_t x = 0; x < l.nx; ++x) {
        int open = -1;
        for (std::size_t o = 0; o < l.openings.size(); ++o)
            open = x >= l.openings[o].first && x < l.openings[o].second ? int(o) : open;
        for (std::uint32_t y = 0; y < l.ny; ++y)
            for (std::uint32_t z = 0; z < l.nz; ++z) {
                const bool mask = open < 0 && z < l.siliconTop + l.maskLayers;
                ids[(std::size_t(x) * l.ny + y) * l.nz + z] = z < l.siliconTop ? silicon : mask ? oxide : 0;
            }
    }
    return ids;
}

std::shared_ptr<TotalVolume> volumeOf(const Layout &l)
{
    return std::make_shared<TotalVolume>(l.nx, l.ny, l.nz, l.cell, l.cell, l.cell, Util::Vector3D(), idsOf(l));
}

std::size_t countOf(const std::vector<std::uint32_t> &ids, std::uint32_t id)
{
    return std::size_t(std::count(ids.begin(), ids.end(), id));
}

// Layers of silicon removed below the original top in column (x, y): the
// top silicon cell's drop.
std::uint32_t depthAt(const Layout &l, const std::vector<std::uint32_t> &ids, std::uint32_t x, std::uint32_t y)
{
    const std::size_t base = (std::size_t(x) * l.ny + y) * l.nz;
    std::uint32_t top = l.nz;
    while (top > 0 && ids[base + top - 1] != silicon)
        --top;
    return l.siliconTop - top;
}

DeepReactiveIonEtching etchOf(const std::shared_ptr<TotalVolume> &v, std::uint32_t cycles, double etch,
                              double passivation, bool arde)
{
    return DeepReactiveIonEtching(v.get(), silicon, cycles, etch, passivation, arde);
}

// 48 x 4 x 40 cells of 1 µm: silicon below z = 30 under two layers of oxide
// with slots 4 and 16 cells wide.
std::shared_ptr<TotalVolume> slotVolume()
{
    return TestSupport::volumeFrom(48, 4, 40, [](auto x, auto, auto z) {
        const bool open = (x >= 8 && x < 12) || (x >= 24 && x < 40);
        return z < 30 ? 1u : z < 32 && !open ? 3u : 0u;
    });
}

ProcessData stepOf(std::uint32_t cycles, double etch, double passivation, bool arde)
{
    ProcessData step = ProcessTable::defaultStep(ProcessKey::DeepRie);
    step.setParameter(QStringLiteral("Cycles"), cycles, true);
    step.setParameter(QStringLiteral("Etch Per Cycle"), etch, true);
    step.setParameter(QStringLiteral("Passivation Thickness"), passivation, true);
    step.setParameter(QStringLiteral("ARDE"), arde, true);
    return step;
}

} // namespace

class TestDeepReactiveIonEtching : public QObject
{
    Q_OBJECT

private slots:
    void menuAndBatchAgree_data();
    void menuAndBatchAgree();
    void refusedStepsAndIdleRuns_data();
    void refusedStepsAndIdleRuns();

    void wideOpening_data()
    {
        QTest::addColumn<bool>("arde");
        QTest::addColumn<std::uint32_t>("width"); // cells
        // Seven cycles of 10 cells: 70 cells deep. With the view factor on, the
        // opening is wide enough (aspect ratio 0.1) to see nearly all the sky.
        QTest::newRow("plain etch, aspect ratio 0.9") << false << 80u;
        QTest::newRow("view factor, aspect ratio 0.1") << true << 700u;
    }

    // A wide opening goes down by the etch per cycle each cycle; its walls carry
    // one scallop per cycle; the mask stays and no polymer is left.
    void wideOpening()
    {
        QFETCH(bool, arde);
        QFETCH(std::uint32_t, width);
        const std::uint32_t margin = 20;
        const Layout l{width + 2 * margin, 2, 92, 80, 2, {{margin, margin + width}}, 0.1f};
        const auto volume = volumeOf(l);
        const auto before = volume->materialIds();
        const std::uint32_t cycles = 7;
        const double etch = 1.0; // µm: 10 cells
        auto process = etchOf(volume, cycles, etch, 0.05, arde);
        process.run();
        const auto after = volume->materialIds();

        const double expected = cycles * etch / l.cell, depth = depthAt(l, after, l.nx / 2, 0);
        QVERIFY2(std::abs(depth - expected) <= 1.0,
                 qPrintable(QStringLiteral("depth %1 cells, expected %2").arg(depth).arg(expected)));
        QCOMPARE(countOf(after, polymer), std::size_t(0));
        bool maskKept = true; // the same oxide cells as before
        for (std::size_t i = 0; i < before.size(); ++i)
            maskKept = maskKept && (after[i] == oxide) == (before[i] == oxide);
        QVERIFY(maskKept);

        // The left wall, from the mask down to the floor beside it: how far the
        // etch went in under the mask edge, per layer.
        const std::uint32_t floorAtWall = l.siliconTop - depthAt(l, after, margin + 1, 0);
        std::vector<int> undercut;
        QString profile;
        for (std::uint32_t z = l.siliconTop - 1; z > floorAtWall; --z) {
            int reach = 0;
            while (reach < int(margin) && after[(std::size_t(margin - 1 - reach) * l.ny) * l.nz + z] == 0)
                ++reach;
            undercut.push_back(reach);
            profile += QString::number(reach) + QLatin1Char(' ');
        }
        // Ridges are the local minima of the undercut (plateaus by their middle).
        std::vector<double> ridges;
        for (std::size_t i = 1; i + 1 < undercut.size();) {
            std::size_t j = i;
            while (j + 1 < undercut.size() && undercut[j + 1] == undercut[i])
                ++j;
            if (j + 1 < undercut.size() && undercut[i - 1] > undercut[i] && undercut[j + 1] > undercut[i])
                ridges.push_back((i + j) / 2.0);
            i = j + 1;
        }
        const int amplitude = *std::max_element(undercut.begin(), undercut.end())
            - *std::min_element(undercut.begin(), undercut.end());
        QVERIFY2(amplitude > 0, qPrintable(QStringLiteral("a straight wall: ") + profile));
        qInfo("undercut from the top: %s", qPrintable(profile));
        QVERIFY2(ridges.size() >= 3, qPrintable(QStringLiteral("%1 ridges: ").arg(ridges.size()) + profile));
        const double period = (ridges.back() - ridges.front()) / double(ridges.size() - 1);
        QVERIFY2(std::abs(period - etch / l.cell) <= 1.0,
                 qPrintable(QStringLiteral("scallop period %1 cells, etch per cycle %2 cells: ").arg(period).arg(etch / l.cell)
                            + profile));
    }

    // Slots of widths w and 4w etched together: the narrow one lags, the more the
    // deeper they get, and each floor goes down the etch per cycle times the view
    // factor the flux engine gives for the middle of that floor as the cycle
    // before left it.
    void aspectRatioDependence()
    {
        const std::uint32_t narrow = 16, wide = 64; // cells
        const std::uint32_t left = 32, gap = 32;
        const Layout l{left + narrow + gap + wide + left, 2, 190, 170, 4,
                       {{left, left + narrow}, {left + narrow + gap, left + narrow + gap + wide}}, 0.125f};
        const auto volume = volumeOf(l);
        const double etch = 0.75; // µm: 6 cells
        const std::uint32_t middles[2] = {left + narrow / 2, left + narrow + gap + wide / 2};
        double predicted[2] = {0.0, 0.0}; // cells
        double factors[2] = {1.0, 1.0};
        const auto floorFactors = [&]() {
            const auto ids = volume->materialIds();
            std::vector<Voxel> cells(ids.size());
            for (std::size_t i = 0; i < ids.size(); ++i)
                cells[i] = Voxel(ids[i]);
            const FluxEngine engine(FluxEngine::Grid{cells.data(), l.nx, l.ny, l.nz, l.cell, l.cell, l.cell});
            for (int s = 0; s < 2; ++s) {
                const std::uint32_t floor = l.siliconTop - depthAt(l, ids, middles[s], 0);
                factors[s] = engine.viewFactor(engine.cellPoint((std::size_t(middles[s]) * l.ny) * l.nz + floor));
            }
        };
        floorFactors();
        double lastRatio = 1.0;
        int checks = 0;
        auto process = etchOf(volume, 20, etch, 0.1, true);
        process.setCycleHook([&](std::uint32_t done) {
            for (int s = 0; s < 2; ++s)
                predicted[s] += etch / l.cell * factors[s];
            floorFactors();
            if (done % 5 != 0)
                return;
            const auto ids = volume->materialIds();
            const double narrowDepth = depthAt(l, ids, middles[0], 0);
            const double wideDepth = depthAt(l, ids, middles[1], 0);
            const double ratio = narrowDepth / wideDepth;
            const double expected = predicted[0] / predicted[1];
            qInfo("after %u cycles: narrow %g, wide %g cells (from the view factors %.1f, %.1f); ratio %.3f, from the "
                  "view factors %.3f",
                  done, narrowDepth, wideDepth, predicted[0], predicted[1], ratio, expected);
            ++checks;
            QVERIFY2(narrowDepth < wideDepth, "the narrow slot is not shallower");
            QVERIFY2(ratio < lastRatio, "the depth ratio does not fall as the slots deepen");
            QVERIFY2(std::abs(ratio - expected) <= 0.1 * expected,
                     qPrintable(QStringLiteral("depth ratio %1, from the view factors %2").arg(ratio).arg(expected)));
            lastRatio = ratio;
        });
        process.run();
        QCOMPARE(checks, 4);
    }

    void withoutAspectRatioDependenceSlotsEtchAlike()
    {
        const std::uint32_t narrow = 8, wide = 32;
        const Layout l{24 + narrow + 24 + wide + 24, 2, 80, 60, 4,
                       {{24, 24 + narrow}, {24 + narrow + 24, 24 + narrow + 24 + wide}}, 0.25f};
        const auto volume = volumeOf(l);
        // 2.5 cells a cycle: the floors alternate between 2 and 3 cells.
        auto process = etchOf(volume, 10, 0.625, 0.25, false);
        process.run();
        const auto ids = volume->materialIds();
        QCOMPARE(depthAt(l, ids, 24 + narrow / 2, 0), 25u);
        QCOMPARE(depthAt(l, ids, 24 + narrow + 24 + wide / 2, 0), 25u);
    }

    // The result does not depend on the number of x-slabs.
    void slabsAgree()
    {
        const Layout l{64, 6, 60, 44, 3, {{10, 16}, {30, 52}}, 0.5f};
        const auto etched = [&l](int threads) {
            const auto volume = volumeOf(l);
            auto process = etchOf(volume, 8, 1.5, 0.1, true);
            process.setThreadCount(threads);
            process.run();
            return volume->materialIds();
        };
        const auto one = etched(1);
        QVERIFY(one == etched(4));
        QVERIFY(countOf(one, silicon) < countOf(idsOf(l), silicon));
    }

    void reportsDepthPerOpening()
    {
        const Layout l{64, 4, 40, 30, 2, {{8, 12}, {30, 50}}, 1.0f};
        const auto volume = volumeOf(l);
        auto process = etchOf(volume, 4, 2.0, 1.0, true);
        process.run();
        const auto &openings = process.getOpenings();
        QCOMPARE(openings.size(), std::size_t(2));
        QCOMPARE(openings[0].x < openings[1].x, true);
        const auto ids = volume->materialIds();
        QCOMPARE(openings[1].depth, double(depthAt(l, ids, 40, 0)));
        QVERIFY(openings[0].depth < openings[1].depth);
        QCOMPARE(process.getDepth(), openings[1].depth);
        QCOMPARE(DeepReactiveIonEtching::openSurfaceDepth(20, 0.5), 10.0);
    }
};

void TestDeepReactiveIonEtching::menuAndBatchAgree_data()
{
    QTest::addColumn<bool>("arde");
    QTest::newRow("ARDE") << true;
    QTest::newRow("plain") << false;
}

// The dialog's options through the operation and the same step in a batch
// give the same cells and the same finish line; undo gives back the cells
// before, redo those after.
void TestDeepReactiveIonEtching::menuAndBatchAgree()
{
    QFETCH(bool, arde);
    const ProcessData step = stepOf(6, 2.0, 0.5, arde);

    Core::Workspace menuSide;
    auto volume = slotVolume();
    const auto before = volume->materialIds();
    menuSide.getDocument().addObject(volume);
    TestSupport::playDialogs<DeepReactiveIonEtchingOperation>(menuSide, [&](DeepReactiveIonEtchingOperation &op) {
        op.setEtchMaterial(1);
        op.setCycles(6);
        op.setEtchPerCycle(2.0);
        op.setPassivationThickness(0.5);
        op.setAspectRatioDependent(arde);
        op.end();
    });
    const auto log = TestSupport::logMessages(menuSide);
    menuSide.getSelection().select(volume);
    menuSide.activate(ProcessTable::menuId(ProcessKey::DeepRie));
    QVERIFY(!menuSide.getCurrentOperation());
    const QString line = log->lines.last();
    QVERIFY2(line.contains(QStringLiteral("depth per opening")), qPrintable(line));

    Core::Workspace batchSide;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &batchSide;
    context.volume = slotVolume();
    batchSide.getDocument().addObject(context.volume);
    QCOMPARE(Core::BatchRun::BatchStepExecutor().execute(step, context), int(Core::BatchRun::BatchStepExecutor::Done));
    QVERIFY(context.volume->materialIds() == volume->materialIds());
    QVERIFY2(line.endsWith(context.effect.text() + QLatin1Char('.')),
             qPrintable(line + QStringLiteral(" | ") + context.effect.text()));

    TestSupport::checkUndoRedo(menuSide, *volume, before);
}

void TestDeepReactiveIonEtching::refusedStepsAndIdleRuns_data()
{
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::newRow("negative etch") << "Etch Per Cycle" << QVariant(-1.0) << 2 << "Etch Per Cycle";
    QTest::newRow("too many cycles") << "Cycles" << QVariant(200000u) << 2 << "Cycles";
    QTest::newRow("no cycles") << "Cycles" << QVariant(0u) << 0 << "the cycle count is 0";
    QTest::newRow("a material the volume lacks") << "MaterialId" << QVariant(5u) << 0 << "holds no";
}

// Values outside their range skip the step with the parameter's name; a run
// that can change nothing says why.
void TestDeepReactiveIonEtching::refusedStepsAndIdleRuns()
{
    QFETCH(QString, parameter);
    QFETCH(QVariant, value);
    QFETCH(int, code);
    QFETCH(QString, said);
    ProcessData step = stepOf(3, 2.0, 0.5, true);
    step.setParameter(parameter, value, true);
    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = slotVolume();
    workspace.getDocument().addObject(context.volume);
    const auto before = context.volume->materialIds();
    const int result = Core::BatchRun::BatchStepExecutor().execute(step, context);
    QVERIFY(context.volume->materialIds() == before);
    if (code == 0) {
        QCOMPARE(result, int(Core::BatchRun::BatchStepExecutor::Done));
        QVERIFY(context.effect.changedNothing());
        QVERIFY2(context.effect.text().contains(said), qPrintable(context.effect.text()));
    } else {
        QVERIFY(result != int(Core::BatchRun::BatchStepExecutor::Done));
    }
}

QTEST_GUILESS_MAIN(TestDeepReactiveIonEtching)
#include "tst_deepreactiveionetching.moc"

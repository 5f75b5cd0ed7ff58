#include "SiEtchTestSupport.h"
#include "Core/ProcessRuns.h"

#include "Core/BatchRun/PhysicalParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/StepParameters.h"
#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"
#include "Core/Operations/SiEtching/KohEtchRate.h"
#include "Core/Operations/SiEtching/WetEtchRecipe.h"
#include "Core/ProcessTable.h"

#include <QtTest>

#include <cmath>

using Core::ProcessKey;
using Core::Operations::KohEtchRate;
using Core::Operations::ProcessEffect;
using Core::Operations::WetEtchRecipe;
using namespace SiEtchTest;
using namespace TestSupport;

namespace {

// Silicon below z = top in an n x n x nz volume of cubic cells.
std::shared_ptr<Model::Automaton::TotalVolume> block(std::uint32_t n, std::uint32_t nz, std::uint32_t top, float cell)
{
    return volumeOf(n, n, nz, wafer(n, n, nz, top, 0, [](auto, auto) { return false; }), cell);
}

// The lowest empty cell above the silicon of column (x, y).
std::uint32_t surfaceOf(const std::vector<std::uint32_t> &ids, std::uint32_t n, std::uint32_t nz, std::uint32_t x,
                        std::uint32_t y)
{
    std::uint32_t z = 0;
    while (z < nz && ids[(std::size_t(x) * n + y) * nz + z] == silicon)
        ++z;
    return z;
}

QVariantMap kohRecipe(double concentration, double celsius, double minutes)
{
    return {{QStringLiteral("Etchant"), QStringLiteral("KOH")},
            {QStringLiteral("Concentration"), concentration},
            {QStringLiteral("Temperature"), celsius},
            {QStringLiteral("Etch Time"), minutes}};
}

} // namespace

class TestWetEtchPhysics : public QObject
{
    Q_OBJECT

private slots:
    void kohRate_data()
    {
        QTest::addColumn<int>("plane");
        QTest::addColumn<double>("concentration"); // wt %
        QTest::addColumn<double>("celsius");
        QTest::addColumn<double>("koh");           // mol/l
        QTest::addColumn<double>("water");         // mol/l
        QTest::addColumn<double>("rate");          // µm/min
        QTest::addColumn<double>("tolerance");
        const int p100 = int(KohEtchRate::Plane::P100), p110 = int(KohEtchRate::Plane::P110);
        // Seidel et al.'s check value: 0.77 µm/min.
        QTest::newRow("30 wt %, 70 C, (100)") << p100 << 30.0 << 70.0 << 6.9025 << 50.164 << 0.77 << 0.005;
        // By hand: rho = 1.194 g/cm3, [KOH] = 0.2 * 1194 / 56.11 = 4.2559 mol/l,
        // [H2O] = 0.8 * 1194 / 18.015 = 53.022 mol/l, kT = 0.030432 eV;
        // 2480 * 53.022^4 * 4.2559^0.25 * exp(-0.595 / 0.030432) = 90.853 µm/h.
        QTest::newRow("20 wt %, 80 C, (100)") << p100 << 20.0 << 80.0 << 4.2559 << 53.022 << 90.853 / 60 << 1e-4;
        // By hand: 4500 * 50.164^4 * 6.9025^0.25 * exp(-0.60 / 0.029571) = 71.19 µm/h.
        QTest::newRow("30 wt %, 70 C, (110)") << p110 << 30.0 << 70.0 << 6.9025 << 50.164 << 71.193 / 60 << 1e-4;
    }

    void kohRate()
    {
        QFETCH(int, plane);
        QFETCH(double, concentration);
        QFETCH(double, celsius);
        QFETCH(double, koh);
        QFETCH(double, water);
        QFETCH(double, rate);
        QFETCH(double, tolerance);
        QVERIFY(std::fabs(KohEtchRate::potassiumHydroxide(concentration) - koh) < 1e-3);
        QVERIFY(std::fabs(KohEtchRate::water(concentration) - water) < 1e-3);
        const double got = KohEtchRate::micrometresPerMinute(KohEtchRate::Plane(plane), concentration, celsius);
        QVERIFY2(std::fabs(got - rate) <= tolerance, qPrintable(QString::number(got, 'g', 8)));
    }

    void recipeDepth_data()
    {
        QTest::addColumn<QString>("etchant");
        QTest::addColumn<double>("customRate");
        QTest::addColumn<double>("minutes");
        QTest::addColumn<double>("depth");
        QTest::addColumn<QString>("text");
        // "30 % KOH at 70 C for 40 min": 0.7744 µm/min for 40 min.
        QTest::newRow("KOH, 40 min") << "KOH" << 0.0 << 40.0 << 30.976
                                     << QString::fromUtf8("KOH 30 wt % at 70 °C: (100) rate 0.7744 µm/min for 40 min");
        QTest::newRow("custom, 2.5 um/min for 3 min") << "custom" << 2.5 << 3.0 << 7.5
                                                      << QString::fromUtf8("custom etchant: (100) rate 2.5 µm/min for 3 min");
        QTest::newRow("no time") << "KOH" << 0.0 << 0.0 << 0.0
                                 << QString::fromUtf8("KOH 30 wt % at 70 °C: (100) rate 0.7744 µm/min for 0 min");
    }

    void recipeDepth()
    {
        QFETCH(QString, etchant);
        QFETCH(double, customRate);
        QFETCH(double, minutes);
        QFETCH(double, depth);
        QFETCH(QString, text);
        WetEtchRecipe recipe;
        recipe.etchant = *WetEtchRecipe::fromName(etchant);
        recipe.customRate = customRate;
        recipe.minutes = minutes;
        QVERIFY(std::fabs(recipe.depth() - depth) < 1e-3);
        QCOMPARE(recipe.text(), text);
    }

    void depthOnAVolume_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<float>("cell");
        QTest::addColumn<QVariantMap>("recipe");
        QTest::addColumn<double>("depth"); // µm
        const int bca = int(ProcessKey::SiWetEtching), cca = int(ProcessKey::ContinuousWetEtching);
        const QVariantMap koh = kohRecipe(30.0, 70.0, 8.0); // 6.195 µm
        const QVariantMap custom{{QStringLiteral("Etchant"), QStringLiteral("custom")},
                                 {QStringLiteral("Rate 100"), 1.5},
                                 {QStringLiteral("Etch Time"), 3.0}};
        QTest::newRow("bond counting, KOH, 0.5 um cells") << bca << 0.5f << koh << 6.195;
        QTest::newRow("bond counting, custom, 0.25 um cells") << bca << 0.25f << custom << 4.5;
        QTest::newRow("continuous, KOH, 0.5 um cells") << cca << 0.5f << koh << 6.195;
    }

    // A flat (100) face goes down the recipe's depth: the depth over the cell
    // size in cells, within one cell, from the menu and as a step alike; the
    // finish line names the etchant, the rate and the depth.
    void depthOnAVolume()
    {
        QFETCH(int, key);
        QFETCH(float, cell);
        QFETCH(QVariantMap, recipe);
        QFETCH(double, depth);
        // The etch stops on {111} walls rising from the volume's sides: wide
        // enough that the middle columns go the whole depth.
        const std::uint32_t cells = std::uint32_t(std::ceil(depth / cell));
        const std::uint32_t n = 2 * (cells + 2) + 4, top = cells + 4, nz = top + 2;
        const Core::BatchRun::ProcessData step = stepOf(ProcessKey(key), recipe);
        const ProcessRun menu = runFromMenu(ProcessKey(key), step, block(n, nz, top, cell));
        QVERIFY2(menu.done, qPrintable(menu.effect));
        for (std::uint32_t x = n / 2 - 2; x < n / 2 + 2; ++x)
            for (std::uint32_t y = n / 2 - 2; y < n / 2 + 2; ++y) {
                const double lowered = top - surfaceOf(menu.cells, n, nz, x, y);
                QVERIFY2(std::fabs(lowered - depth / cell) <= 1.0,
                         qPrintable(QStringLiteral("lowered %1 cells for %2").arg(lowered).arg(depth / cell)));
            }
        Core::BatchRun::StepParameters parameters(step);
        const auto read = Core::BatchRun::PhysicalParameters::wetEtch(parameters);
        QVERIFY(read && std::fabs(read->depth() - depth) < 1e-3);
        const QString said = read->text() + QStringLiteral(", depth ") + ProcessEffect::micrometres(read->depth());
        QVERIFY2(menu.effect.endsWith(said), qPrintable(menu.effect));
        const ProcessRun batch = runAsStep(step, block(n, nz, top, cell));
        QVERIFY(batch.done);
        QVERIFY(batch.cells == menu.cells);
        QCOMPARE(batch.effect, menu.effect);
    }

    void refusedSteps_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QString>("reason");
        QVariantMap hot = kohRecipe(30.0, 120.0, 1.0);
        QTest::newRow("120 C") << hot << QString::fromUtf8("\"Temperature\" must be a number from 20 to 100 °C (got 120)");
        QVariantMap hf = kohRecipe(30.0, 70.0, 1.0);
        hf[QStringLiteral("Etchant")] = QStringLiteral("HF");
        QTest::newRow("HF") << hf << "\"Etchant\" is \"HF\"; it must be one of KOH, custom";
        QTest::newRow("custom without a rate")
            << QVariantMap{{QStringLiteral("Etchant"), QStringLiteral("custom")}, {QStringLiteral("Etch Time"), 1.0}}
            << "\"Rate 100\" is missing";
    }

    // A step with a value outside its range is refused, naming the value and
    // the range, and leaves the cells as they were.
    void refusedSteps()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QString, reason);
        const auto volume = block(6, 6, 4, 1.0f);
        const auto before = volume->materialIds();
        for (const ProcessKey key : {ProcessKey::SiWetEtching, ProcessKey::ContinuousWetEtching}) {
            const ProcessRun run = runAsStep(stepOf(key, settings), volume);
            QVERIFY(!run.done);
            QCOMPARE(run.effect, reason);
            QVERIFY(run.cells == before);
        }
    }
};

QTEST_GUILESS_MAIN(TestWetEtchPhysics)
#include "tst_wetetchphysics.moc"

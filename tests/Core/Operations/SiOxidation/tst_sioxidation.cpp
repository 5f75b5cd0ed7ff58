#include "Core/FrontReference.h"
#include "Model/Automaton/TotalVolume.h"

#include "Core/Operations/SiOxidation/DealGrove.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Core/ProcessRuns.h"
#include "Core/ProcessTable.h"

#include <QtTest>

#include <cmath>
#include <limits>

using Core::ProcessKey;
using Core::Operations::DealGrove;
using Core::Operations::SimpleSiOxidation;
using Model::Automaton::TotalVolume;
using namespace TestSupport;

namespace {

constexpr std::uint32_t oxide = 3;

// A flat block of silicon below z = height.
ReferenceGrid flat(std::uint32_t n, std::uint32_t nz, std::uint32_t height, float cz)
{
    return shaped(n, n, nz, [&](auto, auto, auto z, auto) { return z < height ? 1u : 0u; }, 1.0f, 1.0f, cz);
}

// The oxidation from its rules: sources are oxidisable cells with an empty
// face neighbour, other solids barriers; 0.44 T into solids, 0.56 T into
// empty space; every reached cell (and every source) becomes oxide.
std::vector<std::uint32_t> referenceOxidation(const ReferenceGrid &grid, float thickness)
{
    const auto oxidisable = [](std::uint32_t id) { return id == 1 || id == 14 || id == 15; };
    std::vector<ReferenceCell> cells(grid.ids.size());
    grid.forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) {
        bool source = false;
        for (int k = 0; k < 6 && oxidisable(grid.ids[i]); ++k) {
            std::size_t n;
            source = source || (grid.neighbour(x, y, z, k, n) && grid.ids[n] == 0);
        }
        const float v = source ? 0.0f : thickness;
        cells[i].v[0] = cells[i].v[1] = cells[i].v[2] = v;
        cells[i].fixed = source || (grid.ids[i] != 0 && !oxidisable(grid.ids[i]));
    });
    const float in = float(0.44 * thickness), out = float(0.56 * thickness);
    referenceFront(grid, cells, referenceSteps(thickness, grid), [](std::size_t) { return true; },
                   [&](std::size_t i) { return grid.ids[i] != 0 ? in * in : out * out; },
                   cellSteps(grid));
    std::vector<std::uint32_t> ids = grid.ids;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const float length = cells[i].lengthSquared();
        if ((ids[i] == 0 && length <= out * out) || (oxidisable(ids[i]) && length <= in * in))
            ids[i] = oxide;
    }
    return ids;
}

const int dry = int(DealGrove::Ambient::Dry), wet = int(DealGrove::Ambient::Wet);

// Silicon below z = surface in a 6 x 6 x nz volume of cubic cells.
std::shared_ptr<Model::Automaton::TotalVolume> flatSilicon(std::uint32_t nz, std::uint32_t surface, float cell)
{
    return volumeOf(shaped(
        6, 6, nz, [&](std::uint32_t, std::uint32_t, std::uint32_t z, std::uint32_t) { return z < surface ? 1u : 0u; },
        cell, cell, cell));
}

// A time-mode step: hours at kelvin and one atmosphere, in µm (no conversion).
QVariantMap timed(double hours, double kelvin)
{
    return {{QStringLiteral("OxidationTimeSet"), true},
            {QStringLiteral("Micron Conversion"), 1.0},
            {QStringLiteral("Oxidation Time"), hours},
            {QStringLiteral("Oxidation Temperature"), kelvin},
            {QStringLiteral("Oxidation Pressure"), 1.0}};
}

} // namespace

class TestSiOxidation : public QObject
{
    Q_OBJECT

private slots:
    void thickness_data();
    void thickness();
    void pressureScalesBothRates_data();
    void pressureScalesBothRates();
    void thicknessOnAVolume_data();
    void thicknessOnAVolume();
    void stepsWithoutAmbientGrowDry();

    void flatFace_data()
    {
        QTest::addColumn<double>("thickness"); // scene length
        QTest::addColumn<float>("cellHeight");
        QTest::addColumn<double>("conversion"); // < 0: the process itself; 0: a batch step with the table's default
        QTest::newRow("T = 10, unit cells") << 10.0 << 1.0f << -1.0;
        QTest::newRow("T = 7.3, cells 0.5 high") << 7.3 << 0.5f << -1.0;
        QTest::newRow("T = 4, cells 0.35 high") << 4.0 << 0.35f << -1.0;
        // The time mode: 2 h at 1273 K and 1 atm grow 0.105457 um, kept as micrometres.
        QTest::newRow("time mode, table defaults: 0.105457 um on 0.01 um cells") << 0.105457 << 0.01f << 0.0;
        // A process list that stores its own conversion keeps it.
        QTest::newRow("time mode, a list's own conversion 100") << 10.5457 << 1.0f << 100.0;
    }

    // The oxide top lies 0.56 T above the old surface and the oxide-silicon
    // interface 0.44 T below it, each within one cell.
    void flatFace()
    {
        QFETCH(double, thickness);
        QFETCH(float, cellHeight);
        QFETCH(double, conversion);
        const std::uint32_t nz = std::uint32_t(std::ceil(2.0 * thickness / cellHeight)) + 4;
        const std::uint32_t surface = nz / 2;
        auto volume = volumeOf(flat(6, nz, surface, cellHeight));
        if (conversion < 0) {
            SimpleSiOxidation oxidation(volume.get(), 1.0);
            oxidation.setStripCount(2);
            oxidation.oxidateTo(thickness);
        } else {
            Core::BatchRun::ProcessData step = Core::ProcessTable::defaultStep(Core::ProcessKey::SiOxidation);
            step.setParameter(QStringLiteral("OxidationTimeSet"), true, false);
            if (conversion > 0)
                step.setParameter(QStringLiteral("Micron Conversion"), conversion, true);
            const ProcessRun run = runAsStep(step, volume);
            QVERIFY2(run.done, qPrintable(run.effect));
        }
        const auto ids = volume->materialIds();
        for (std::uint32_t x = 0; x < 6; ++x)
            for (std::uint32_t y = 0; y < 6; ++y) {
                std::uint32_t below = 0, above = 0;
                for (std::uint32_t z = 0; z < nz; ++z) {
                    const std::uint32_t id = ids[volume->index(x, y, z)];
                    QVERIFY(id == oxide || id == (z < surface ? 1u : 0u));
                    if (id == oxide)
                        ++(z < surface ? below : above);
                }
                QVERIFY2(std::fabs(above * cellHeight - 0.56 * thickness) <= cellHeight, qPrintable(QString::number(above)));
                QVERIFY2(std::fabs(below * cellHeight - 0.44 * thickness) <= cellHeight, qPrintable(QString::number(below)));
            }
    }

    void nothingGrows_data()
    {
        QTest::addColumn<double>("thickness");
        QTest::addColumn<std::uint32_t>("cover");
        QTest::addColumn<float>("cellHeight");
        QTest::newRow("T = 1, one cell") << 1.0 << 0u << 1.0f;
        // The thinnest cell counts, not the first axis: cells 1 x 1 x 0.25 um.
        QTest::newRow("T = 0.25 um, cells 0.25 um high") << 0.25 << 0u << 0.25f;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0u << 1.0f;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 0u << 1.0f;
        // A non-oxidisable cover over all the silicon: no source, and the cover
        // itself never converts.
        QTest::newRow("silicon under a nitride cover") << 6.0 << 2u << 1.0f;
    }

    void nothingGrows()
    {
        QFETCH(double, thickness);
        QFETCH(std::uint32_t, cover);
        QFETCH(float, cellHeight);
        ReferenceGrid grid = flat(5, 12, 4, cellHeight);
        if (cover)
            for (std::size_t i = 0; i < grid.ids.size(); ++i)
                if (i % 12 == 4)
                    grid.ids[i] = cover;
        auto volume = volumeOf(grid);
        SimpleSiOxidation(volume.get(), 1.0).oxidateTo(thickness);
        QVERIFY(volume->materialIds() == grid.ids);
        // Just thicker than the thinnest cell, the exposed silicon oxidises.
        if (!cover && std::isfinite(thickness)) {
            SimpleSiOxidation(volume.get(), 1.0).oxidateTo(thickness * 1.2);
            QVERIFY(volume->materialIds() != grid.ids);
        }
    }

    void matchesReference_data()
    {
        QTest::addColumn<std::uint32_t>("seed");
        QTest::addColumn<float>("cx");
        QTest::addColumn<float>("cy");
        QTest::addColumn<float>("cz");
        QTest::addColumn<float>("thickness");
        QTest::newRow("cells 1 x 0.8 x 0.6, T = 3") << 1u << 1.0f << 0.8f << 0.6f << 3.0f;
        QTest::newRow("cells 0.7 x 1.3 x 1, T = 4.5") << 2u << 0.7f << 1.3f << 1.0f << 4.5f;
    }

    // Random silicon, doped silicon, oxide and a non-oxidisable solid; one strip
    // and several strips both give the reference result.
    void matchesReference()
    {
        QFETCH(std::uint32_t, seed);
        QFETCH(float, cx);
        QFETCH(float, cy);
        QFETCH(float, cz);
        QFETCH(float, thickness);
        const ReferenceGrid grid = randomGrid(seed, 12, 7, 9, cx, cy, cz, {1, 1, 1, 14, 15, 2, 3});
        const auto expected = referenceOxidation(grid, thickness);
        QVERIFY(expected != grid.ids);
        for (unsigned strips : {1u, 3u, 6u}) {
            auto volume = volumeOf(grid);
            SimpleSiOxidation oxidation(volume.get(), 1.0);
            oxidation.setStripCount(strips);
            oxidation.oxidateTo(thickness);
            QVERIFY2(volume->materialIds() == expected, qPrintable(QString("%1 strips").arg(strips)));
        }
    }
};

void TestSiOxidation::thickness_data()
{
    QTest::addColumn<int>("ambient");
    QTest::addColumn<double>("hours");
    QTest::addColumn<double>("kelvin");
    QTest::addColumn<double>("atmospheres");
    QTest::addColumn<double>("expected"); // µm
    QTest::addColumn<double>("tolerance");
    // Deal and Grove's check: about 0.45 µm (their table: 0.435 µm).
    QTest::newRow("wet, 1000 C, 1 h") << wet << 1.0 << 1273.15 << 1.0 << 0.45 << 0.005;
    QTest::newRow("wet, 1000 C, 1 h, against the table") << wet << 1.0 << 1273.15 << 1.0 << 0.435 << 0.02;
    // By hand: kT = 0.118329 eV, B = 386 exp(-0.78 / kT) = 0.52943 µm2/h,
    // B/A = 1.63e8 exp(-2.05 / kT) = 4.8777 µm/h, A = 0.108541 µm;
    // x = (sqrt(A^2 + 4 B 2 h) - A) / 2 = 0.97617 µm.
    QTest::newRow("wet, 1100 C, 2 h") << wet << 2.0 << 1373.15 << 1.0 << 0.97617 << 1e-5;
    QTest::newRow("wet, no time: bare silicon") << wet << 0.0 << 1273.15 << 1.0 << 0.0 << 1e-12;
    // The dry model as it always was.
    QTest::newRow("dry, 2 h, 1273 K") << dry << 2.0 << 1273.0 << 1.0 << 0.105457 << 1e-6;
    QTest::newRow("dry, no time: the initial oxide") << dry << 0.0 << 1273.0 << 1.0 << 0.025 << 1e-12;
    QTest::newRow("dry, no oxygen: the initial oxide") << dry << 2.0 << 1273.0 << 0.0 << 0.025 << 1e-12;
}

void TestSiOxidation::thickness()
{
    QFETCH(int, ambient);
    QFETCH(double, hours);
    QFETCH(double, kelvin);
    QFETCH(double, atmospheres);
    QFETCH(double, expected);
    QFETCH(double, tolerance);
    const double microns = DealGrove::thickness(DealGrove::Ambient(ambient), hours, kelvin, atmospheres);
    QVERIFY2(std::fabs(microns - expected) <= tolerance, qPrintable(QString::number(microns, 'g', 10)));
}

void TestSiOxidation::pressureScalesBothRates_data()
{
    QTest::addColumn<int>("ambient");
    QTest::addColumn<double>("kelvin");
    QTest::addColumn<double>("halfAtmosphere"); // µm after 2 h at half an atmosphere
    // B and B/A both halve: 0.0712827 µm. Scaling B alone grew 0.0849401 µm.
    QTest::newRow("dry, 1273 K") << dry << 1273.0 << 0.0712827;
    // B = 0.157732 µm2/h, B/A = 0.625475 µm/h: 0.449551 µm, what an hour at
    // one atmosphere grows.
    QTest::newRow("wet, 1000 C") << wet << 1273.15 << 0.449551;
}

// Deal and Grove found both rates proportional to the oxidant's pressure, so
// A = B / (B/A) does not change with it.
void TestSiOxidation::pressureScalesBothRates()
{
    QFETCH(int, ambient);
    QFETCH(double, kelvin);
    QFETCH(double, halfAtmosphere);
    const auto oxidant = DealGrove::Ambient(ambient);
    const DealGrove::Rates full = DealGrove::rates(oxidant, kelvin, 1.0);
    for (const double p : {0.25, 0.5, 3.0}) {
        const DealGrove::Rates scaled = DealGrove::rates(oxidant, kelvin, p);
        QVERIFY(std::fabs(scaled.parabolic / full.parabolic - p) < 1e-12);
        QVERIFY(std::fabs(scaled.linear / full.linear - p) < 1e-12);
    }
    const double microns = DealGrove::thickness(oxidant, 2.0, kelvin, 0.5);
    QVERIFY2(std::fabs(microns - halfAtmosphere) < 1e-6, qPrintable(QString::number(microns, 'g', 10)));
    // x^2 + A x = p B t: half the pressure for twice the time.
    QVERIFY(std::fabs(microns - DealGrove::thickness(oxidant, 1.0, kelvin, 1.0)) < 1e-12);
}

void TestSiOxidation::thicknessOnAVolume_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<float>("cell");
    QTest::addColumn<double>("thickness");
    QVariantMap wetHour = timed(1.0, 1273.15);
    wetHour[QStringLiteral("Oxidation Ambient")] = QStringLiteral("wet");
    QTest::newRow("wet 1 h, 1000 C, 0.05 um cells") << wetHour << 0.05f << 0.4496;
    QTest::newRow("wet 1 h, 1000 C, 0.1 um cells") << wetHour << 0.1f << 0.4496;
    QTest::newRow("dry 2 h, 1273 K, 0.01 um cells") << timed(2.0, 1273.0) << 0.01f << 0.105457;
}

// The grown oxide: 0.56 of the thickness above the old surface and 0.44
// below it, in cells of the size given, each within one cell; from the menu
// and as a step alike, with the conditions in the finish line.
void TestSiOxidation::thicknessOnAVolume()
{
    QFETCH(QVariantMap, settings);
    QFETCH(float, cell);
    QFETCH(double, thickness);
    const std::uint32_t nz = std::uint32_t(std::ceil(2.0 * thickness / cell)) + 4, surface = nz / 2;
    const Core::BatchRun::ProcessData step = stepOf(ProcessKey::SiOxidation, settings);
    const ProcessRun menu = runFromMenu(ProcessKey::SiOxidation, step, flatSilicon(nz, surface, cell));
    QVERIFY2(menu.done, qPrintable(menu.effect));
    for (std::uint32_t c = 0; c < 36; ++c) {
        std::uint32_t below = 0, above = 0;
        for (std::uint32_t z = 0; z < nz; ++z)
            if (menu.cells[c * nz + z] == oxide)
                ++(z < surface ? below : above);
        QVERIFY2(std::fabs(above - 0.56 * thickness / cell) <= 1.0, qPrintable(QString::number(above)));
        QVERIFY2(std::fabs(below - 0.44 * thickness / cell) <= 1.0, qPrintable(QString::number(below)));
    }
    const QString ambient = settings.value(QStringLiteral("Oxidation Ambient"), QStringLiteral("dry")).toString();
    QVERIFY2(menu.effect.contains(ambient + QStringLiteral(" oxidation ")), qPrintable(menu.effect));
    const ProcessRun batch = runAsStep(step, flatSilicon(nz, surface, cell));
    QVERIFY(batch.cells == menu.cells);
    QCOMPARE(batch.effect, menu.effect);
}

// A time-mode step without an ambient grows what the dry model grew before
// there was a choice: the Deal-Grove thickness of the engine, unchanged.
void TestSiOxidation::stepsWithoutAmbientGrowDry()
{
    const QVariantMap settings = timed(3.0, 1300.0);
    QVariantMap dryNamed = settings;
    dryNamed[QStringLiteral("Oxidation Ambient")] = QStringLiteral("Dry");
    const auto plain = runAsStep(stepOf(ProcessKey::SiOxidation, settings), flatSilicon(40, 20, 0.01f));
    const auto named = runAsStep(stepOf(ProcessKey::SiOxidation, dryNamed), flatSilicon(40, 20, 0.01f));
    const auto direct = flatSilicon(40, 20, 0.01f);
    SimpleSiOxidation(direct.get(), 1.0).oxidateTo(SimpleSiOxidation::dealGroveMicrons(3.0, 1300.0, 1.0));
    QVERIFY(plain.done && named.done);
    QVERIFY(plain.cells == direct->materialIds());
    QVERIFY(named.cells == plain.cells);
}

QTEST_GUILESS_MAIN(TestSiOxidation)
#include "tst_sioxidation.moc"

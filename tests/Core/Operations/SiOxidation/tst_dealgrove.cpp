#include "Core/FrontReference.h"
#include "Core/ProcessRuns.h"

#include "Core/Operations/SiOxidation/DealGrove.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Core/ProcessTable.h"

#include <QtTest>

#include <cmath>

using Core::ProcessKey;
using Core::Operations::DealGrove;
using Core::Operations::SimpleSiOxidation;
using namespace TestSupport;

namespace {

constexpr std::uint32_t oxide = 3;
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

class TestDealGrove : public QObject
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
};

void TestDealGrove::thickness_data()
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
    QTest::newRow("dry, no oxygen: the initial oxide") << dry << 2.0 << 1273.0 << 0.0 << 0.025 << 1e-12;
}

void TestDealGrove::thickness()
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

void TestDealGrove::pressureScalesBothRates_data()
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
void TestDealGrove::pressureScalesBothRates()
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

void TestDealGrove::thicknessOnAVolume_data()
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
void TestDealGrove::thicknessOnAVolume()
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
void TestDealGrove::stepsWithoutAmbientGrowDry()
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

QTEST_GUILESS_MAIN(TestDealGrove)
#include "tst_dealgrove.moc"

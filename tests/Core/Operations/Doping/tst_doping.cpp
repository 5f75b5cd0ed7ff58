#include "Core/FrontReference.h"
#include "Core/ProcessRuns.h"
#include "Model/Automaton/TotalVolume.h"

#include "Core/BatchRun/PhysicalParameters.h"
#include "Core/BatchRun/StepParameters.h"
#include "Core/Operations/Doping/Diffusion.h"
#include "Core/Operations/Doping/DopingRecipes.h"
#include "Core/Operations/Doping/ImplantProfile.h"
#include "Core/Operations/Doping/ImplantRange.h"
#include "Core/Operations/Doping/IonImplantation.h"
#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/ProcessTable.h"

#include <QtTest>

#include <cmath>

using Core::ProcessKey;
using namespace Core::Operations;
using Model::Automaton::TotalVolume;
using namespace TestSupport;

namespace {

constexpr std::uint32_t si = 1, nDoped = 14, pDoped = 15, shield = 2, resist = 11;

bool dopable(std::uint32_t id) { return id == si || id == nDoped || id == pDoped; }

// Doping from its rules: empty cells are the sources, dopable cells within
// the depth (through dopable cells) become the dopant.
std::vector<std::uint32_t> referenceDoping(const ReferenceGrid &grid, std::uint32_t dopant, float depth)
{
    std::vector<ReferenceCell> cells(grid.ids.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i].fixed = grid.ids[i] == 0;
        const float v = cells[i].fixed ? 0.0f : depth;
        cells[i].v[0] = cells[i].v[1] = cells[i].v[2] = v;
    }
    referenceFront(grid, cells, referenceSteps(depth, grid), [&](std::size_t i) { return dopable(grid.ids[i]); },
                   [&](std::size_t) { return depth * depth; }, cellSteps(grid));
    std::vector<std::uint32_t> ids = grid.ids;
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (cells[i].reached)
            ids[i] = dopant;
    return ids;
}

// Implantation from its rules: the dopable cells `depth` (within half a cell)
// below each column's top cell are the sources; the anneal spreads through
// dopable cells only.
std::vector<std::uint32_t> referenceImplantation(const ReferenceGrid &grid, std::uint32_t dopant, float depth,
                                                 float annealing)
{
    std::vector<int> top(std::size_t(grid.nx) * grid.ny, -1);
    grid.forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) {
        if (grid.ids[i] != 0)
            top[std::size_t(x) * grid.ny + y] = int(z);
    });
    std::vector<std::uint32_t> ids = grid.ids;
    std::vector<ReferenceCell> cells(ids.size());
    grid.forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) {
        const float below = float(top[std::size_t(x) * grid.ny + y] - int(z)) * grid.cz;
        const bool layer = dopable(ids[i]) && std::fabs(below - depth) <= grid.cz / 2;
        cells[i].fixed = !dopable(ids[i]) || layer;
        cells[i].v[0] = cells[i].v[1] = cells[i].v[2] = layer ? 0.0f : annealing;
        ids[i] = layer ? dopant : ids[i];
    });
    referenceFront(grid, cells, referenceSteps(annealing, grid), [&](std::size_t i) { return dopable(ids[i]); },
                   [&](std::size_t) { return annealing * annealing; }, cellSteps(grid));
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (cells[i].reached)
            ids[i] = dopant;
    return ids;
}

const int boron = int(DopantSpecies::Boron), phosphorus = int(DopantSpecies::Phosphorus),
          arsenic = int(DopantSpecies::Arsenic);

// Silicon below z = surface, `mask` cells of resist over it in the columns
// x < maskedColumns, empty above; 8 x 2 columns of cubic cells.
std::shared_ptr<Model::Automaton::TotalVolume> wafer(std::uint32_t nz, std::uint32_t surface, float cell,
                                                     std::uint32_t mask = 0, std::uint32_t maskedColumns = 0)
{
    return volumeOf(shaped(
        8, 2, nz,
        [&](std::uint32_t x, std::uint32_t, std::uint32_t z, std::uint32_t) {
            return z < surface ? si : x < maskedColumns && z < surface + mask ? resist : 0u;
        },
        cell, cell, cell));
}

// The depths (µm, below the silicon's surface) of the top of the highest and
// the bottom of the lowest cell of `material` in column x; (0, 0) for none.
std::pair<double, double> dopedDepths(const std::vector<std::uint32_t> &ids, std::uint32_t x, std::uint32_t nz,
                                      std::uint32_t surface, float cell, std::uint32_t material)
{
    int highest = -1, lowest = -1;
    for (std::uint32_t z = 0; z < nz; ++z) {
        if (ids[std::size_t(x) * 2 * nz + z] != material)
            continue;
        if (lowest < 0)
            lowest = int(z);
        highest = int(z);
    }
    if (highest < 0)
        return {0.0, 0.0};
    return {double(surface - 1 - highest) * cell, double(surface - lowest) * cell};
}

// The settings of a step, and `more`.
QVariantMap implant(const char *species, double keV, double dose, QVariantMap more = {})
{
    more.insert({{QStringLiteral("Species"), QString::fromLatin1(species)},
                 {QStringLiteral("Energy"), keV},
                 {QStringLiteral("Dose"), dose}});
    return more;
}

QVariantMap diffusion(const char *species, double surface, double celsius, double minutes, QVariantMap more = {})
{
    more.insert({{QStringLiteral("Species"), QString::fromLatin1(species)},
                 {QStringLiteral("Surface Concentration"), surface},
                 {QStringLiteral("Temperature"), celsius},
                 {QStringLiteral("Diffusion Time"), minutes}});
    return more;
}

} // namespace

Q_DECLARE_METATYPE(DiffusionRecipe)

class TestDoping : public QObject
{
    Q_OBJECT

private slots:
    void implantRange_data();
    void implantRange();
    void diffusivity_data();
    void diffusivity();
    void inverseErfc_data();
    void inverseErfc();
    void implantProfile_data();
    void implantProfile();
    void diffusionJunction_data();
    void diffusionJunction();
    void dopingOnAVolume_data();
    void dopingOnAVolume();
    void maskShiftsTheImplant();
    void refusedSteps_data();
    void refusedSteps();

    void matchesReference_data()
    {
        QTest::addColumn<bool>("implant");
        QTest::addColumn<std::uint32_t>("seed");
        QTest::addColumn<float>("cx");
        QTest::addColumn<float>("cz");
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<float>("depth");
        QTest::addColumn<float>("annealing");
        QTest::newRow("doping P, cells 1 x 1 x 0.6, depth 2.5") << false << 4u << 1.0f << 0.6f << 1u << 2.5f << 0.0f;
        QTest::newRow("doping N, cells 0.7 x 1 x 1.2, depth 3") << false << 5u << 0.7f << 1.2f << 0u << 3.0f << 0.0f;
        QTest::newRow("implant, cells 0.8 x 1 x 0.5, anneal 1.2") << true << 6u << 0.8f << 0.5f << 1u << 1.5f << 1.2f;
        QTest::newRow("implant, cells 0.8 x 1 x 1.3, anneal 2") << true << 7u << 0.8f << 1.3f << 1u << 2.6f << 2.0f;
        QTest::newRow("implant, no annealing") << true << 8u << 0.8f << 1.0f << 1u << 2.0f << 0.0f;
    }

    // Random volumes: one strip and several strips give the reference result.
    void matchesReference()
    {
        QFETCH(bool, implant);
        QFETCH(std::uint32_t, seed);
        QFETCH(float, cx);
        QFETCH(float, cz);
        QFETCH(std::uint32_t, type);
        QFETCH(float, depth);
        QFETCH(float, annealing);
        const std::uint32_t dopant = type == 1 ? pDoped : nDoped;
        const ReferenceGrid grid =
            implant ? randomGrid(seed, 12, 6, 10, cx, 1.0f, cz, {si, si, si, si, nDoped, shield})
                    : randomGrid(seed, 12, 6, 9, cx, 1.0f, cz, {si, si, si, nDoped, pDoped, shield});
        const auto expected = implant ? referenceImplantation(grid, dopant, depth, annealing)
                                      : referenceDoping(grid, dopant, depth);
        QVERIFY(expected != grid.ids);
        for (unsigned strips : {1u, 3u, 6u}) {
            auto volume = volumeOf(grid);
            std::unique_ptr<SurfaceFrontProcess> process;
            if (implant)
                process = std::make_unique<IonImplantation>(volume.get(), si, type, depth, annealing);
            else
                process = std::make_unique<ThermalDoping>(volume.get(), si, type, depth);
            process->setStripCount(strips);
            process->run();
            QVERIFY2(volume->materialIds() == expected, qPrintable(QString("%1 strips").arg(strips)));
        }
    }

    // Empty cells below a column's top (a buried cavity) take part in an
    // implantation like the empty cells above it: whatever an earlier run left
    // in them, they never seed the dopant.
    void implantationIgnoresStaleCavities()
    {
        const ReferenceGrid grid = shaped(8, 8, 16, [](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t) {
            const bool cavity = x >= 2 && x < 6 && y >= 2 && y < 6 && z >= 3 && z < 6;
            return z < 14 && !cavity ? si : 0u;
        });
        auto volume = volumeOf(grid);
        // An etch of a material nobody holds leaves every empty cell a source.
        IsotropicFilmEtching(volume.get(), 9, 2.0f).run();
        // Layer at z = 10, annealed 3 down to z = 7. The cavity's top cells
        // (z = 5) touch z = 6, the first cell out of reach.
        IonImplantation(volume.get(), si, 0, 3.0f, 3.0f).run();
        QVERIFY(volume->materialIds()
                == grid.mapped([](std::uint32_t, std::uint32_t, std::uint32_t z, std::uint32_t id) {
                       return z >= 7 && z <= 13 ? nDoped : id;
                   }));
    }
};

void TestDoping::implantRange_data()
{
    QTest::addColumn<int>("species");
    QTest::addColumn<double>("keV");
    QTest::addColumn<double>("range");    // µm
    QTest::addColumn<double>("straggle"); // µm
    QTest::addColumn<double>("tolerance");
    // Selberherr's check values.
    QTest::newRow("boron, 50 keV") << boron << 50.0 << 0.159 << 0.052 << 0.0005;
    QTest::newRow("phosphorus, 100 keV") << phosphorus << 100.0 << 0.124 << 0.045 << 0.0005;
    // By hand: 4.608e-13 E^5 - 3.442e-10 E^4 + 9.067e-8 E^3 - 1.022e-5 E^2
    // + 9.818e-4 E at 100 keV = 0.004608 - 0.03442 + 0.09067 - 0.1022
    // + 0.09818 = 0.056838 µm; the straggle 0.001601 - 0.01202 + 0.03235
    // - 0.0382 + 0.03652 = 0.020251 µm.
    QTest::newRow("arsenic, 100 keV") << arsenic << 100.0 << 0.056838 << 0.020251 << 1e-6;
    // -3.308e-6 * 400 + 3.338e-3 * 20 = 0.0654368 µm; the straggle 0.0283274 µm.
    QTest::newRow("boron, 20 keV") << boron << 20.0 << 0.0654368 << 0.028327448 << 1e-9;
}

void TestDoping::implantRange()
{
    QFETCH(int, species);
    QFETCH(double, keV);
    QFETCH(double, range);
    QFETCH(double, straggle);
    QFETCH(double, tolerance);
    const double rp = ImplantRange::projectedRange(DopantSpecies(species), keV);
    const double drp = ImplantRange::straggle(DopantSpecies(species), keV);
    QVERIFY2(std::fabs(rp - range) <= tolerance, qPrintable(QString::number(rp, 'g', 8)));
    QVERIFY2(std::fabs(drp - straggle) <= tolerance, qPrintable(QString::number(drp, 'g', 8)));
}

void TestDoping::diffusivity_data()
{
    QTest::addColumn<int>("species");
    QTest::addColumn<double>("celsius");
    QTest::addColumn<double>("expected"); // cm^2/s
    // kT at 1000 C = 0.1097116 eV: 0.76 exp(-3.46 / kT) = 1.52885e-14.
    QTest::newRow("boron, 1000 C") << boron << 1000.0 << 1.52885e-14;
    // kT at 1100 C = 0.1183289 eV: 3.85 exp(-3.66 / kT) = 1.42041e-13.
    QTest::newRow("phosphorus, 1100 C") << phosphorus << 1100.0 << 1.42041e-13;
    QTest::newRow("arsenic, 1000 C") << arsenic << 1000.0 << 1.59319e-15;
}

void TestDoping::diffusivity()
{
    QFETCH(int, species);
    QFETCH(double, celsius);
    QFETCH(double, expected);
    const double d = Diffusion::diffusivity(DopantSpecies(species), celsius);
    QVERIFY2(std::fabs(d / expected - 1.0) < 1e-5, qPrintable(QString::number(d, 'g', 8)));
    QCOMPARE(Diffusion::diffusivityMicrometres(DopantSpecies(species), celsius), d * 1e8);
}

void TestDoping::inverseErfc_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("x");
    QTest::newRow("one half") << 0.5 << 0.4769362762044699;
    QTest::newRow("1e-5") << 1e-5 << 3.123413274340875;
    QTest::newRow("1e-100") << 1e-100 << 15.065574702592645;
    QTest::newRow("one") << 1.0 << 0.0;
    QTest::newRow("above one") << 1.5 << 0.0;
}

void TestDoping::inverseErfc()
{
    QFETCH(double, y);
    QFETCH(double, x);
    const double got = Diffusion::inverseErfc(y);
    QVERIFY2(std::fabs(got - x) < 1e-12, qPrintable(QString::number(got, 'g', 17)));
    if (y > 0 && y < 1)
        QVERIFY(std::fabs(std::erfc(got) / y - 1.0) < 1e-9);
}

void TestDoping::implantProfile_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<double>("straggle"); // µm, after any anneal
    QTest::addColumn<double>("peak");     // cm^-3
    QTest::addColumn<double>("top");      // µm
    QTest::addColumn<double>("junction"); // µm
    // Peak 1e15 / (sqrt(2 pi) 0.0517695e-4 cm) = 7.70612e19; it meets 1e15 at
    // Rp +- dRp sqrt(2 ln 77061) = 0.15863 +- 0.24559: from the surface to 0.40422 µm.
    QTest::newRow("boron, 50 keV, 1e15") << implant("B", 50, 1e15) << 0.0517695 << 7.70612e19 << 0.0 << 0.40422;
    // 30 min at 1000 C: dRp^2 + 2 D t = 0.0026801 + 2 * 1.52885e-6 * 1800
    // = 0.0081840 µm2, dRp = 0.0904652 µm, peak 4.40990e19, junction
    // 0.15863 + 0.0904652 sqrt(2 ln 44099) = 0.57701 µm.
    const QVariantMap annealed = implant("B", 50, 1e15, {{"Anneal Time", 30.0}, {"Anneal Temperature", 1000.0}});
    QTest::newRow("boron, annealed 30 min at 1000 C") << annealed << 0.0904652 << 4.40990e19 << 0.0 << 0.57701;
    // Into 1e16: peak 8.81290e17, 0.124447 +- 0.045268 sqrt(2 ln 88.129):
    // just below the surface to 0.25993 µm.
    QTest::newRow("phosphorus, 100 keV, 1e13 into 1e16")
        << implant("P", 100, 1e13, {{"Background Doping", 1e16}}) << 0.045268 << 8.81290e17 << 0.0 << 0.25993;
    // Arsenic 100 keV, 1e14 into 1e18: peak 1.96999e19 meets the background
    // at 0.056838 +- 0.020251 sqrt(2 ln 19.6999) = 0.056838 +- 0.049444: a
    // buried layer from 0.0073939 to 0.1062821 µm.
    const QVariantMap buried = implant("As", 100, 1e14, {{"Background Doping", 1e18}});
    QTest::newRow("arsenic, buried") << buried << 0.020251 << 1.96999e19 << 0.0073939 << 0.1062821;
    QTest::newRow("peak below the background") << implant("B", 50, 1e9) << 0.0517695 << 7.70612e13 << 0.0 << 0.0;
}

// The Gaussian's peak, the band where it exceeds the background (its bottom
// the junction depth) and, after an anneal, the same dose under a wider curve.
void TestDoping::implantProfile()
{
    QFETCH(QVariantMap, settings);
    QFETCH(double, straggle);
    QFETCH(double, peak);
    QFETCH(double, top);
    QFETCH(double, junction);
    Core::BatchRun::ProcessData step = stepOf(ProcessKey::IonImplantation, settings);
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::implant(parameters);
    QVERIFY(recipe && parameters.code() == 0);
    const ImplantProfile profile = recipe->profile();
    QVERIFY2(std::fabs(profile.straggle - straggle) < 1e-6, qPrintable(QString::number(profile.straggle, 'g', 8)));
    QVERIFY2(std::fabs(profile.peak() / peak - 1.0) < 1e-5, qPrintable(QString::number(profile.peak(), 'g', 8)));
    const ImplantProfile::Band band = recipe->band();
    QVERIFY2(std::fabs(band.bottom - junction) < 1e-5, qPrintable(QString::number(band.bottom, 'g', 8)));
    QVERIFY2(std::fabs(band.top - top) < 1e-5, qPrintable(QString::number(band.top, 'g', 8)));
    if (!band.isEmpty())
        QVERIFY(std::fabs(profile.concentration(band.bottom) / recipe->background - 1.0) < 1e-9);
    // The dose: the profile summed over depth (cm^-3 times µm, 1 µm = 1e-4 cm).
    double dose = 0.0;
    const double dz = profile.straggle / 200.0;
    for (double z = profile.range - 10 * profile.straggle; z < profile.range + 10 * profile.straggle; z += dz)
        dose += profile.concentration(z + dz / 2) * dz * 1e-4;
    QVERIFY(std::fabs(dose / recipe->dose - 1.0) < 1e-6);
}

void TestDoping::diffusionJunction_data()
{
    QTest::addColumn<DiffusionRecipe>("recipe"); // species, surface, °C, minutes, background
    QTest::addColumn<double>("junction");        // µm
    const auto P = DopantSpecies::Phosphorus, B = DopantSpecies::Boron;
    // 2 sqrt(D t) erfcinv(Nb / Cs): D = 1.25115e-6 µm2/s, t = 1800 s,
    // erfcinv(1e-5) = 3.123413: 2 * 0.0474558 * 3.123413 = 0.296450 µm.
    QTest::newRow("phosphorus, 1e20, 1000 C, 30 min") << DiffusionRecipe{P, 1e20, 1000.0, 30.0, 1e15} << 0.296450;
    // D = 1.51989e-5 µm2/s, t = 3600 s, erfcinv(1e-3) = 2.326754: 1.088525 µm.
    QTest::newRow("boron, 1e19, 1100 C, 1 h, into 1e16") << DiffusionRecipe{B, 1e19, 1100.0, 60.0, 1e16} << 1.088525;
    QTest::newRow("no time") << DiffusionRecipe{B, 1e19, 1100.0, 0.0, 1e16} << 0.0;
    QTest::newRow("source below the background") << DiffusionRecipe{B, 1e15, 1100.0, 60.0, 1e16} << 0.0;
}

void TestDoping::diffusionJunction()
{
    QFETCH(DiffusionRecipe, recipe);
    QFETCH(double, junction);
    const double depth = recipe.junctionDepth();
    QVERIFY2(std::fabs(depth - junction) < 1e-6, qPrintable(QString::number(depth, 'g', 8)));
    if (depth > 0) {
        const double d = Diffusion::diffusivityMicrometres(recipe.species, recipe.temperature);
        const double atJunction = Diffusion::constantSource(recipe.surface, depth, d, recipe.minutes * 60);
        QVERIFY(std::fabs(atJunction / recipe.background - 1.0) < 1e-9);
    }
}

void TestDoping::dopingOnAVolume_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<float>("cell");
    QTest::addColumn<std::uint32_t>("dopant");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("junction");
    const int implantation = int(ProcessKey::IonImplantation);
    QTest::newRow("implant, boron 50 keV, 0.02 um cells") << implantation << implant("B", 50, 1e15) << 0.02f << pDoped
                                                          << 0.0 << 0.40422;
    const QVariantMap buried = implant("As", 100, 1e14, {{"Background Doping", 1e18}});
    QTest::newRow("implant, arsenic, buried, 0.005 um cells") << implantation << buried << 0.005f << nDoped << 0.0073939
                                                              << 0.1062821;
    // The species sets the type whatever the step's type says.
    const QVariantMap phosphorusSource = diffusion("P", 1e20, 1000, 30);
    QTest::newRow("doping, phosphorus, 0.02 um cells") << int(ProcessKey::Doping) << phosphorusSource << 0.02f << nDoped
                                                       << 0.0 << 0.296450;
    const QVariantMap boronSource = diffusion("B", 1e19, 1100, 60, {{"Background Doping", 1e16}});
    QTest::newRow("diffusion doping, boron, 0.1 um cells") << int(ProcessKey::DiffusionDoping) << boronSource << 0.1f
                                                           << pDoped << 0.0 << 1.088525;
}

// Every column is doped from the band's top (a diffused layer from the
// surface itself) to the junction depth within one cell; menu and step alike,
// the finish line giving the junction depth, and for an implant Rp, dRp and
// the peak.
void TestDoping::dopingOnAVolume()
{
    QFETCH(int, key);
    QFETCH(QVariantMap, settings);
    QFETCH(float, cell);
    QFETCH(std::uint32_t, dopant);
    QFETCH(double, top);
    QFETCH(double, junction);
    const bool implanted = ProcessKey(key) == ProcessKey::IonImplantation;
    const std::uint32_t surface = std::uint32_t(junction / cell) + 6, nz = surface + 2;
    const Core::BatchRun::ProcessData step = stepOf(ProcessKey(key), settings);
    const ProcessRun menu = runFromMenu(ProcessKey(key), step, wafer(nz, surface, cell));
    QVERIFY2(menu.done, qPrintable(menu.effect));
    for (std::uint32_t x = 0; x < 8; ++x) {
        const auto depths = dopedDepths(menu.cells, x, nz, surface, cell, dopant);
        QVERIFY2(std::fabs(depths.first - top) <= (implanted ? cell : 0.0f) && std::fabs(depths.second - junction) <= cell,
                 qPrintable(QStringLiteral("doped from %1 to %2").arg(depths.first).arg(depths.second)));
    }
    for (const char *said : {"Rp ", "\u0394Rp ", "peak ", "junction depth "})
        QVERIFY2(menu.effect.contains(QString::fromUtf8(said)) || !implanted, qPrintable(menu.effect));
    QVERIFY2(menu.effect.contains(QStringLiteral("junction depth ")), qPrintable(menu.effect));
    const ProcessRun batch = runAsStep(step, wafer(nz, surface, cell));
    QVERIFY(batch.done);
    QVERIFY(batch.cells == menu.cells);
    QCOMPARE(batch.effect, menu.effect);
}

// The depth counts from the top of whatever the ions enter: under 0.1 µm of
// resist the boron band ends 0.1 µm shallower in the silicon, under 0.5 µm
// none reaches it; the resist itself stays resist.
void TestDoping::maskShiftsTheImplant()
{
    const float cell = 0.02f;
    const double junction = 0.40422;
    for (const std::uint32_t maskCells : {5u, 25u}) {
        const std::uint32_t surface = 30, nz = surface + maskCells + 2;
        const auto volume = wafer(nz, surface, cell, maskCells, 4);
        const auto before = volume->materialIds();
        const ProcessRun run = runAsStep(stepOf(ProcessKey::IonImplantation, implant("B", 50, 1e15)), volume);
        QVERIFY(run.done);
        const double mask = maskCells * cell;
        for (std::uint32_t x = 0; x < 8; ++x) {
            const double expected = x < 4 ? std::max(0.0, junction - mask) : junction;
            const double reached = dopedDepths(run.cells, x, nz, surface, cell, pDoped).second;
            QVERIFY2(std::fabs(reached - expected) <= cell,
                     qPrintable(QStringLiteral("column %1: %2 deep, %3 expected").arg(x).arg(reached).arg(expected)));
            for (std::uint32_t z = surface; z < nz; ++z)
                QCOMPARE(run.cells[std::size_t(x) * 2 * nz + z], before[std::size_t(x) * 2 * nz + z]);
        }
    }
}

void TestDoping::refusedSteps_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QString>("reason");
    const int implantation = int(ProcessKey::IonImplantation), doping = int(ProcessKey::Doping);
    QTest::newRow("500 keV") << implantation << implant("B", 500, 1e15)
                             << "\"Energy\" must be a number from 5 to 300 keV (got 500)";
    QTest::newRow("antimony") << implantation << implant("Sb", 50, 1e15)
                              << "\"Species\" is \"Sb\"; it must be one of B, P, As";
    QTest::newRow("diffusion at 300 C") << doping << diffusion("P", 1e20, 300, 10)
                                        << QString::fromUtf8("\"Temperature\" must be a number from 600 to 1300 °C (got 300)");
    QTest::newRow("no surface concentration")
        << doping << QVariantMap{{QStringLiteral("Species"), QStringLiteral("P")}} << "\"Surface Concentration\" is missing";
}

void TestDoping::refusedSteps()
{
    QFETCH(int, key);
    QFETCH(QVariantMap, settings);
    QFETCH(QString, reason);
    const auto volume = wafer(6, 4, 1.0f);
    const auto before = volume->materialIds();
    const ProcessRun run = runAsStep(stepOf(ProcessKey(key), settings), volume);
    QVERIFY(!run.done);
    QCOMPARE(run.effect, reason);
    QVERIFY(run.cells == before);
}

QTEST_GUILESS_MAIN(TestDoping)
#include "tst_doping.moc"

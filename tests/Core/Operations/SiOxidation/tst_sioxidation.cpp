#include "Core/FrontReference.h"
#include "Model/Automaton/TotalVolume.h"

#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Core/ProcessRuns.h"

#include <QtTest>

#include <cmath>
#include <limits>

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

} // namespace

class TestSiOxidation : public QObject
{
    Q_OBJECT

private slots:
    void dealGrove_data()
    {
        QTest::addColumn<double>("hours");
        QTest::addColumn<double>("pressure");
        QTest::addColumn<double>("expected"); // microns
        QTest::addColumn<double>("tolerance");
        QTest::newRow("defaults: 2 h, 1273 K, 1 atm") << 2.0 << 1.0 << 0.105457 << 1e-6;
        QTest::newRow("no time: the initial oxide") << 0.0 << 1.0 << 0.025 << 1e-12;
        // Short times: linear growth at the rate B / (A + 2 x0) of the initial oxide.
        QTest::newRow("linear, 0.001 h") << 1e-3 << 1.0 << 0.025 + 1e-3 * 0.0105175 / (0.130795 + 0.05) << 1e-7;
        // Long times: parabolic, x^2 = B t to within A / x.
        QTest::newRow("parabolic, 1e6 h") << 1e6 << 1.0 << std::sqrt(0.0105175 * 1e6) << 0.2;
        QTest::newRow("parabolic, 1e6 h at half pressure") << 1e6 << 0.5 << std::sqrt(0.5 * 0.0105175 * 1e6) << 0.2;
    }

    void dealGrove()
    {
        QFETCH(double, hours);
        QFETCH(double, pressure);
        QFETCH(double, expected);
        QFETCH(double, tolerance);
        const double microns = SimpleSiOxidation::dealGroveMicrons(hours, 1273.0, pressure);
        QVERIFY2(std::fabs(microns - expected) <= tolerance, qPrintable(QString::number(microns, 'g', 10)));
    }

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

    void thicknessScalesWithCells_data()
    {
        QTest::addColumn<double>("thickness"); // micrometres on 1 um cells
        QTest::addColumn<float>("cellSize");
        QTest::addColumn<bool>("grows");
        QTest::newRow("4 um on 1 um cells = 2 um on 0.5 um cells") << 4.0 << 0.5f << true;
        QTest::newRow("4 um on 1 um cells = 12 um on 3 um cells") << 4.0 << 3.0f << true;
        QTest::newRow("2.5 um on 1 um cells = 7.5 um on 3 um cells") << 2.5 << 3.0f << true;
        QTest::newRow("one cell thick grows nothing: 0.5 um on 0.5 um cells") << 1.0 << 0.5f << false;
        QTest::newRow("one cell thick grows nothing: 3 um on 3 um cells") << 1.0 << 3.0f << false;
    }

    // The thickness is a length in micrometres: the same structure in cells c um
    // on edge, oxidised c times as thick, gives the cells of the 1 um volume.
    void thicknessScalesWithCells()
    {
        QFETCH(double, thickness);
        QFETCH(float, cellSize);
        QFETCH(bool, grows);
        ReferenceGrid grid = randomGrid(5, 11, 8, 12, 1.0f, 1.0f, 1.0f, {1, 1, 1, 14, 2});
        auto unit = volumeOf(grid);
        SimpleSiOxidation(unit.get(), 1.0).oxidateTo(thickness);
        QCOMPARE(unit->materialIds() != grid.ids, grows);

        grid.cx = grid.cy = grid.cz = cellSize;
        auto scaled = volumeOf(grid);
        SimpleSiOxidation oxidation(scaled.get(), 1.0);
        oxidation.setStripCount(3);
        oxidation.oxidateTo(thickness * cellSize);
        QVERIFY(scaled->materialIds() == unit->materialIds());
    }
};

QTEST_GUILESS_MAIN(TestSiOxidation)
#include "tst_sioxidation.moc"

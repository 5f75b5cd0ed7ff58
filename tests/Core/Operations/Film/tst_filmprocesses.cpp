#include "Core/Operations/Film/AnisotropicFilmDeposition.h"
#include "Core/Operations/Film/Electrodeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodEtching.h"
#include "Core/Operations/Film/Planarization.h"
#include "Core/Operations/Film/SpinCoating.h"
#include "Core/FrontReference.h"

#include <QtTest>

#include <cmath>
#include <functional>

using namespace Core::Operations;
using U = std::uint32_t;
using Grid = TestSupport::ReferenceGrid;
using TestSupport::shaped;

namespace {

enum class Kind { Planarize, SpinCoat, Plate, Pvd, MooreDeposit, MooreEtch };

struct Options
{
    Kind kind;
    U a = 0;     // maximum height, material, deposited or etched material
    U b = 0;     // minimum height, height, conducting material, side, steps
    float t = 0; // thickness
    float ratio = 1;
};

std::vector<U> run(const Grid &g, const Options &o, unsigned strips)
{
    Model::Automaton::TotalVolume volume(g.nx, g.ny, g.nz, g.cx, g.cy, g.cz, Util::Vector3D(), g.ids);
    const auto go = [strips](auto process) {
        process->setStripCount(strips);
        process->run();
    };
    switch (o.kind) {
    case Kind::Planarize: go(std::make_unique<Planarization>(&volume, o.a, o.b)); break;
    case Kind::SpinCoat: go(std::make_unique<SpinCoating>(&volume, o.a, o.b)); break;
    case Kind::Plate: go(std::make_unique<Electrodeposition>(&volume, o.a, o.b, o.t)); break;
    case Kind::Pvd: go(std::make_unique<AnisotropicFilmDeposition>(&volume, o.a, o.t, o.ratio, o.b)); break;
    case Kind::MooreDeposit: go(std::make_unique<MooreNeighborhoodDeposition>(&volume, o.a, o.b)); break;
    case Kind::MooreEtch: go(std::make_unique<MooreNeighborhoodEtching>(&volume, o.a, o.b)); break;
    }
    return volume.materialIds();
}

// References: plain loops over the whole volume, from the definitions.
std::vector<U> planarized(const Grid &g, U maximum, U minimum)
{
    return g.mapped([&](U, U, U z, U id) { return z >= minimum && z < std::min(maximum, g.nz) ? id : 0u; });
}

std::vector<U> spinCoated(const Grid &g, U material, U height)
{
    return g.mapped([&](U, U, U z, U id) { return id == 0 && z < height ? material : id; });
}

// k rounds of: a `changing` cell with an `attracting` cell among its 26
// neighbours becomes `result` (all rounds read the state before the round).
std::vector<U> mooreReference(const Grid &g, U changing, U result, std::function<bool(U)> attracting, U k)
{
    std::vector<U> ids = g.ids;
    std::vector<char> reached(ids.size(), 0);
    for (U step = 0; step < k; ++step) {
        std::vector<char> next = reached;
        g.forEach([&](U x, U y, U z, std::size_t i) {
            if (g.ids[i] != changing || reached[i])
                return;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dz = -1; dz <= 1; ++dz) {
                        const int xn = int(x) + dx, yn = int(y) + dy, zn = int(z) + dz;
                        if ((dx || dy || dz) && g.inside(xn, yn, zn)) {
                            const std::size_t n = g.index(U(xn), U(yn), U(zn));
                            if (reached[n] || (g.ids[n] != changing && attracting(g.ids[n])))
                                next[i] = 1;
                        }
                    }
        });
        reached.swap(next);
    }
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (reached[i])
            ids[i] = result;
    return ids;
}

// The distance rule of plating and PVD: `role` sorts the cells into sources
// (0), barriers (1) and open cells (2); the open cells within t of a source,
// through open cells, taking `steps` per face, are filled. Runs the front
// one step at a time: a filled cell takes one more step, then keeps its offset.
std::vector<U> filled(const Grid &g, const std::function<int(U, U, U)> &role, U material, float t,
                      const TestSupport::FaceSteps &steps, std::uint64_t stepCount)
{
    std::vector<TestSupport::ReferenceCell> cells(g.ids.size());
    g.forEach([&](U x, U y, U z, std::size_t i) {
        const int r = role(x, y, z);
        cells[i].fixed = r != 2;
        cells[i].v[0] = cells[i].v[1] = cells[i].v[2] = r == 0 ? 0.0f : t;
    });
    std::vector<std::int64_t> filledAt(g.ids.size(), -1);
    for (std::int64_t step = 0; step < std::int64_t(stepCount); ++step) {
        TestSupport::referenceFront(
            g, cells, 1, [&](std::size_t i) { return filledAt[i] < 0 || filledAt[i] + 1 >= step; },
            [t](std::size_t) { return t * t; }, steps);
        for (std::size_t i = 0; i < cells.size(); ++i)
            filledAt[i] = filledAt[i] < 0 && cells[i].reached ? step : filledAt[i];
    }
    return g.mapped([&](U x, U y, U z, U id) { return cells[g.index(x, y, z)].reached ? material : id; });
}

std::vector<U> reference(const Grid &g, const Options &o)
{
    switch (o.kind) {
    case Kind::Planarize: return planarized(g, o.a, o.b);
    case Kind::SpinCoat: return spinCoated(g, o.a, o.b);
    case Kind::MooreDeposit: return o.a ? mooreReference(g, 0, o.a, [](U id) { return id != 0; }, o.b) : g.ids;
    case Kind::MooreEtch: return o.a ? mooreReference(g, o.a, 0, [](U id) { return id == 0; }, o.b) : g.ids;
    case Kind::Plate: {
        const auto role = [&](U x, U y, U z) {
            const U id = g.ids[g.index(x, y, z)];
            return id == o.b ? 0 : id != 0 ? 1 : 2; // o.b: the conducting material
        };
        const TestSupport::FaceSteps steps{
            {{0, 0, g.cz}, {0, 0, g.cz}, {0, g.cy, 0}, {0, g.cy, 0}, {g.cx, 0, 0}, {g.cx, 0, 0}}};
        return filled(g, role, o.a, o.t, steps, SurfaceFrontProcess::reachStepCount(o.t, g.cx, g.cy, g.cz));
    }
    case Kind::Pvd: {
        const float sx = g.cx / o.ratio, sy = g.cy / o.ratio;
        const auto role = [&](U x, U y, U z) {
            if (g.ids[g.index(x, y, z)] == 0)
                return 2;
            const bool up = (o.b & 1) && z + 1 < g.nz && g.ids[g.index(x, y, z + 1)] == 0;
            const bool down = (o.b & 2) && z > 0 && g.ids[g.index(x, y, z - 1)] == 0;
            return up || down ? 0 : 1; // o.b: the sides to coat
        };
        const TestSupport::FaceSteps steps{{{0, 0, g.cz}, {0, 0, -g.cz}, {0, sy, 0}, {0, -sy, 0}, {sx, 0, 0}, {-sx, 0, 0}}};
        return filled(g, role, o.a, o.t, steps, SurfaceFrontProcess::stepCount(o.t, sx, sy, g.cz));
    }
    }
    return {};
}

// Empty cells within t of a solid whose cell above is empty, a sideways
// step counting cx / r (for shapes where the straight line stays in the open).
std::vector<U> nearTopFaces(const Grid &g, U material, float t, float r)
{
    std::vector<std::array<float, 3>> sources;
    g.forEach([&](U x, U y, U z, std::size_t i) {
        if (g.ids[i] && z + 1 < g.nz && g.ids[i + 1] == 0)
            sources.push_back({float(x), float(y), float(z)});
    });
    return g.mapped([&](U x, U y, U z, U id) {
        if (id)
            return id;
        for (const auto &s : sources) {
            const float dx = (x - s[0]) * g.cx / r, dy = (y - s[1]) * g.cy / r, dz = (z - s[2]) * g.cz;
            if (dx * dx + dy * dy + dz * dz <= t * t)
                return material;
        }
        return 0u;
    });
}

} // namespace

Q_DECLARE_METATYPE(Grid)
Q_DECLARE_METATYPE(Options)
Q_DECLARE_METATYPE(std::vector<U>)

class TestFilmProcesses : public QObject
{
    Q_OBJECT

private slots:
    void matchesExpected_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<Options>("options");
        QTest::addColumn<std::vector<U>>("expected"); // empty: the reference's result
        const auto ref = [](const char *name, const Grid &g, Options o) {
            QTest::newRow(name) << g << o << std::vector<U>();
        };
        const Grid sparse = TestSupport::floorGrid(3, 14, 11, 13, 0.05, 2, 1.0f, 1.5f, 0.75f);
        const Grid dense = TestSupport::floorGrid(4, 13, 12, 11, 0.45, 2, 0.5f, 1.0f, 1.25f);
        ref("planarize 3 .. 8", dense, {Kind::Planarize, 8, 3});
        ref("spin coat to 7", dense, {Kind::SpinCoat, 4, 7});
        ref("plate on 2, t = 2.6", sparse, {Kind::Plate, 4, 2, 2.6f});
        ref("plate on 1 (the floor), t = 1.9", dense, {Kind::Plate, 4, 1, 1.9f});
        ref("pvd on top, r = 0.5", sparse, {Kind::Pvd, 4, 1, 3.0f, 0.5f});
        ref("pvd on bottom, r = 1", dense, {Kind::Pvd, 4, 2, 2.0f, 1.0f});
        ref("pvd both, r = 2", sparse, {Kind::Pvd, 4, 3, 2.5f, 2.0f});
        ref("moore deposit 3", sparse, {Kind::MooreDeposit, 4, 3});
        ref("moore etch 2 of 1", dense, {Kind::MooreEtch, 1, 2});
        ref("moore etch 4 of 2", dense, {Kind::MooreEtch, 2, 4});

        const Grid random = TestSupport::floorGrid(8, 12, 9, 10, 0.2);
        const std::vector<U> none(random.ids.size(), 0);
        QTest::newRow("planarize maximum 0 empties") << random << Options{Kind::Planarize, 0, 0} << none;
        QTest::newRow("planarize minimum >= maximum empties") << random << Options{Kind::Planarize, 4, 6} << none;
        QTest::newRow("planarize maximum above the volume")
            << random << Options{Kind::Planarize, 4000000000u, 3}
            << random.mapped([](U, U, U z, U id) { return z < 3 ? 0 : id; });
        QTest::newRow("spin coat height 0") << random << Options{Kind::SpinCoat, 5, 0} << random.ids;
        QTest::newRow("spin coat above the volume fills every empty cell")
            << random << Options{Kind::SpinCoat, 5, 4000000000u}
            << random.mapped([](U, U, U, U id) { return id ? id : 5; });
        // A closed box of material 2 with a cavity inside, below the height.
        const Grid box = shaped(9, 9, 9, [](U x, U y, U z, U) {
            const bool shell = x >= 2 && x <= 6 && y >= 2 && y <= 6 && z <= 4;
            const bool cavity = x >= 3 && x <= 5 && y >= 3 && y <= 5 && z >= 1 && z <= 3;
            return shell && !cavity ? 2u : 0u;
        });
        QTest::newRow("spin coat fills the closed cavity")
            << box << Options{Kind::SpinCoat, 6, 3}
            << box.mapped([](U, U, U z, U id) { return id == 0 && z < 3 ? 6 : id; });

        // Conductor 2 wrapped in material 1: no empty cell touches it.
        const Grid covered = shaped(8, 8, 8, [](U x, U y, U z, U) {
            if (x < 1 || x >= 7 || y < 1 || y >= 7 || z >= 5)
                return 0u;
            return x > 1 && x < 6 && y > 1 && y < 6 && z < 4 ? 2u : 1u;
        });
        QTest::newRow("plate on a covered conductor") << covered << Options{Kind::Plate, 5, 2, 3.0f} << covered.ids;
        // One empty cell inside a block of conductor is plated.
        const Grid pocket = shaped(5, 5, 5, [](U x, U y, U z, U) { return x == 2 && y == 2 && z == 2 ? 0u : 2u; });
        QTest::newRow("plate a pocket in the conductor")
            << pocket << Options{Kind::Plate, 5, 2, 1.0f} << pocket.mapped([](U, U, U, U id) { return id ? id : 5u; });

        // Floor z < 3, a slab of two layers hanging at z = 6, 7 over x < 4: the
        // underside of the slab seeds nothing, the floor below it is coated.
        const Grid overhang =
            shaped(8, 4, 10, [](U x, U, U z, U) { return z < 3 || (z >= 6 && z < 8 && x < 4) ? 1u : 0u; });
        const std::vector<U> coated = nearTopFaces(overhang, 4, 1.5f, 1.0f);
        for (U x = 0; x < 4; ++x)
            QVERIFY(coated[overhang.index(x, 1, 3)] == 4 && coated[overhang.index(x, 1, 4)] == 0
                    && coated[overhang.index(x, 1, 5)] == 0);
        QTest::newRow("pvd on top: nothing under the overhang")
            << overhang << Options{Kind::Pvd, 4, 1, 1.5f, 1.0f} << coated;
        // A plateau x < 10, z < 10: the film beside its edge reaches r * t sideways.
        const Grid plateau = shaped(20, 2, 20, [](U x, U, U z, U) { return x < 10 && z < 10 ? 1u : 0u; });
        for (const float r : {1.0f, 0.5f}) {
            const std::vector<U> expected = nearTopFaces(plateau, 4, 6.0f, r);
            U reach = 0;
            while (expected[plateau.index(10 + reach, 0, 9)] == 4) // beside the top layer
                ++reach;
            QCOMPARE(reach, U(6 * r));
            QTest::newRow(qPrintable(QStringLiteral("pvd on top, t = 6, ratio %1").arg(r)))
                << plateau << Options{Kind::Pvd, 4, 1, 6.0f, r} << expected;
        }

        const Grid seed = shaped(5, 5, 5, [](U x, U y, U z, U) { return U(x == 2 && y == 2 && z == 2); });
        QTest::newRow("moore deposit 1 around one cell")
            << seed << Options{Kind::MooreDeposit, 3, 1} << seed.mapped([](U x, U y, U z, U id) {
                   return id ? id : x >= 1 && x <= 3 && y >= 1 && y <= 3 && z >= 1 && z <= 3 ? 3u : 0u;
               });
        // Filling with "nothing" would never end: the cells stay empty and keep the front alive.
        QTest::newRow("moore deposit of id 0, 999999999 steps")
            << random << Options{Kind::MooreDeposit, 0, 999999999u} << random.ids;
        // Material 2 under a shield of material 3 over part of it: the etch goes down beside the shield only.
        const Grid shielded = shaped(10, 4, 8, [](U x, U, U z, U) { return z < 4 ? 2u : z == 4 && x < 5 ? 3u : 0u; });
        QTest::newRow("moore etch stops at another material")
            << shielded << Options{Kind::MooreEtch, 2, 2}
            << shielded.mapped([](U x, U, U z, U id) { return id == 2 && z >= 2 && x >= 3 ? 0u : id; });
    }

    // Every process gives the expected cells; against the reference, in one
    // strip and cut into strips.
    void matchesExpected()
    {
        QFETCH(Grid, grid);
        QFETCH(Options, options);
        QFETCH(std::vector<U>, expected);
        const bool fromReference = expected.empty();
        if (fromReference) {
            expected = reference(grid, options);
            QVERIFY(expected != grid.ids); // the case does something
        }
        for (const unsigned strips : {1u, 3u, 6u})
            if (fromReference || strips == 3)
                QCOMPARE(run(grid, options, strips), expected);
    }
};

QTEST_GUILESS_MAIN(TestFilmProcesses)
#include "tst_filmprocesses.moc"

#include "SiEtchTestSupport.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using Model::Automaton::SiLattice;
using Model::Automaton::TotalVolume;
using namespace SiEtchTest;

Q_DECLARE_METATYPE(std::vector<std::uint32_t>)

class TestSiLattice : public QObject
{
    Q_OBJECT

private slots:
    void bondsStatesAndCounters_data();
    void bondsStatesAndCounters();
};

void TestSiLattice::bondsStatesAndCounters_data()
{
    QTest::addColumn<std::uint32_t>("nx");
    QTest::addColumn<std::uint32_t>("ny");
    QTest::addColumn<std::uint32_t>("nz");
    QTest::addColumn<std::vector<std::uint32_t>>("ids");
    QTest::addColumn<Util::Vector3D>("cellSize");
    QTest::addColumn<std::uint32_t>("side"); // unit cells along each edge of the turned square
    QTest::addColumn<std::uint32_t>("height"); // unit cells along z
    const Util::Vector3D micrometre(1, 1, 1);
    QTest::newRow("silicon block 10 x 10 x 4") << 10u << 10u << 4u << std::vector<std::uint32_t>(400, silicon)
                                               << micrometre << 15u << 4u;
    QTest::newRow("masked, with pockets") << 9u << 7u << 6u << randomWafer(9, 7, 6, 7) << micrometre << 12u
                                          << 6u;
    QTest::newRow("no silicon") << 4u << 4u << 3u << std::vector<std::uint32_t>(48, oxide) << micrometre << 6u
                                << 3u;
    // Cubic cells of any size: one lattice unit per cell.
    QTest::newRow("3 um cells, off the origin") << 9u << 7u << 6u << randomWafer(9, 7, 6, 7)
                                                << Util::Vector3D(3, 3, 3) << 12u << 6u;
    // Otherwise the smallest size is the unit: cells of 2 x 4 x 1 units,
    // a footprint of 12 x 20 units.
    QTest::newRow("cells 1 x 2 x 0.5 um") << 6u << 5u << 3u << randomWafer(6, 5, 3, 8) << Util::Vector3D(1, 2, 0.5)
                                          << 23u << 3u;
}

// Against a brute-force classification of every atom slot: the extent,
// states, held unit cells, each cell's counter and atom list, and every bond
// both ways with the geometry of the diamond lattice. Built twice: the second
// build over existing counts must not add to them.
void TestSiLattice::bondsStatesAndCounters()
{
    QFETCH(std::uint32_t, nx);
    QFETCH(std::uint32_t, ny);
    QFETCH(std::uint32_t, nz);
    QFETCH(std::vector<std::uint32_t>, ids);
    QFETCH(Util::Vector3D, cellSize);
    const Util::Vector3D at(-4, 2.5, 7);
    auto volume = std::make_shared<TotalVolume>(nx, ny, nz, float(cellSize.x), float(cellSize.y),
                                                float(cellSize.z), at, ids);
    const double unit = std::min({cellSize.x, cellSize.y, cellSize.z});
    for (int build = 0; build < 2; ++build) {
        volume->rebuildSiLattice();
        const SiLattice &lattice = *volume->getSiLattice();
        QTEST(lattice.getCellsI(), "side");
        QCOMPARE(lattice.getCellsJ(), lattice.getCellsI());
        QTEST(lattice.getCellsK(), "height");
        QCOMPARE(lattice.getUnitLength(), unit);
        std::vector<std::uint32_t> expectedCount(ids.size(), 0);
        std::size_t held = 0;
        for (std::uint32_t i = 0; i < lattice.getCellsI(); ++i)
            for (std::uint32_t j = 0; j < lattice.getCellsJ(); ++j)
                for (std::uint32_t k = 0; k < lattice.getCellsK(); ++k) {
                    SiLattice::State states[8];
                    std::int64_t cells[8];
                    bool silicon = false;
                    for (int m = 0; m < 8; ++m) {
                        const Util::Vector3D p = lattice.position(SiLattice::Site{i, j, k, m});
                        // Drawn where the crystal, scaled by the unit, meets the volume.
                        const Util::Vector3D drawn = lattice.scenePosition(lattice.atomId(i, j, k, m));
                        QVERIFY(std::abs(drawn.x - (at.x + p.x * unit)) + std::abs(drawn.y - (at.y + p.y * unit))
                                    + std::abs(drawn.z - (at.z + p.z * unit)) < 1e-9);
                        const float fx = float(p.x / (cellSize.x / unit)), fy = float(p.y / (cellSize.y / unit)),
                                    fz = float(p.z / (cellSize.z / unit));
                        const bool inside = fx >= 0 && fy >= 0 && fz >= 0 && fx < nx && fy < ny && fz < nz;
                        cells[m] = inside ? (std::int64_t(fx) * ny + std::int64_t(fy)) * nz + std::int64_t(fz) : -1;
                        const std::uint32_t material = inside ? ids[cells[m]] : 2;
                        states[m] = material == 1 ? SiLattice::Silicon : material == 0 ? SiLattice::Absent : SiLattice::Fixed;
                        silicon = silicon || material == 1;
                    }
                    const SiLattice::AtomId first = lattice.atomId(i, j, k, 0);
                    QCOMPARE(lattice.inLattice(first), silicon);
                    if (!silicon)
                        continue;
                    ++held;
                    for (int m = 0; m < 8; ++m) {
                        QCOMPARE(lattice.state(first + m), states[m]);
                        QCOMPARE(lattice.cellIndex(first + m), cells[m]);
                        if (states[m] == SiLattice::Silicon)
                            ++expectedCount[cells[m]];
                        for (int slot = 0; slot < 4; ++slot) {
                            const SiLattice::AtomId n = lattice.neighbour(first + m, slot);
                            if (n == SiLattice::noAtom)
                                continue;
                            QCOMPARE(lattice.neighbour(n, 3 - slot), first + SiLattice::AtomId(m));
                            const Util::Vector3D d = lattice.position(n) - lattice.position(first + m);
                            const Util::Vector3D bond = SiLattice::bondVector(SiLattice::sublattice(m), slot);
                            QVERIFY(std::abs(d.x - bond.x) + std::abs(d.y - bond.y) + std::abs(d.z - bond.z) < 1e-5);
                        }
                        // The far edge has no bonds beyond it.
                        if (i + 1 == lattice.getCellsI() && (m == 3 || m == 6))
                            QCOMPARE(lattice.neighbour(first + m, m == 3 ? 2 : 1), SiLattice::noAtom);
                    }
                }
        QCOMPARE(lattice.getCellCount(), held);
        for (std::size_t c = 0; c < ids.size(); ++c) {
            // The turned square covers the whole footprint.
            QVERIFY(ids[c] != silicon || expectedCount[c] > 0);
            QCOMPARE(lattice.counter(c), expectedCount[c]);
            QCOMPARE(lattice.builtCount(c), expectedCount[c]);
            for (const auto *a = lattice.cellAtomsBegin(c); a != lattice.cellAtomsEnd(c); ++a)
                QCOMPARE(lattice.cellIndex(*a), std::int64_t(c));
        }
    }
}

QTEST_GUILESS_MAIN(TestSiLattice)
#include "tst_silattice.moc"

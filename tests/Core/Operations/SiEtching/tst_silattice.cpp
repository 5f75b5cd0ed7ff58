#include "SiEtchTestSupport.h"

#include <QtTest>

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
    QTest::addColumn<std::uint32_t>("side"); // unit cells along each edge of the turned square
    QTest::newRow("silicon block 10 x 10 x 4") << 10u << 10u << 4u << std::vector<std::uint32_t>(400, silicon) << 15u;
    QTest::newRow("masked, with pockets") << 9u << 7u << 6u << randomWafer(9, 7, 6, 7) << 12u;
    QTest::newRow("no silicon") << 4u << 4u << 3u << std::vector<std::uint32_t>(48, oxide) << 6u;
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
    auto volume = volumeOf(nx, ny, nz, ids);
    for (int build = 0; build < 2; ++build) {
        volume->rebuildSiLattice();
        const SiLattice &lattice = *volume->getSiLattice();
        QTEST(lattice.getCellsI(), "side");
        QCOMPARE(lattice.getCellsJ(), lattice.getCellsI());
        QCOMPARE(lattice.getCellsK(), nz);
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
                        const float fx = float(p.x), fy = float(p.y), fz = float(p.z);
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

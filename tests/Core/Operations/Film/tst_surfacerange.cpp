#include "Core/Operations/Film/SurfaceRange.h"
#include "Core/FrontReference.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <algorithm>

using Core::Operations::SurfaceRange;
using Grid = TestSupport::ReferenceGrid;
using U = std::uint32_t;

namespace {

// The plain reading: for every column, one above its highest filled cell.
SurfaceRange reference(const Grid &g)
{
    SurfaceRange range;
    for (U x = 0; x < g.nx; ++x) {
        for (U y = 0; y < g.ny; ++y) {
            U top = 0;
            for (U z = 0; z < g.nz; ++z)
                if (g.ids[g.index(x, y, z)] != 0)
                    top = z + 1;
            if (top == 0)
                continue;
            range.lowest = range.empty ? top : std::min(range.lowest, top);
            range.highest = range.empty ? top : std::max(range.highest, top);
            range.empty = false;
        }
    }
    return range;
}

SurfaceRange measure(const Grid &g, int threads)
{
    Model::Automaton::TotalVolume volume(g.nx, g.ny, g.nz, g.cx, g.cy, g.cz, Util::Vector3D(), g.ids);
    return SurfaceRange::of(volume, threads);
}

QVector<U> asRow(const SurfaceRange &r)
{
    return {U(r.empty), r.lowest, r.highest};
}

} // namespace

Q_DECLARE_METATYPE(Grid)

// Where the surface lies: the lowest and highest column tops of the filled
// columns, whatever the slab split.
class TestSurfaceRange : public QObject
{
    Q_OBJECT

private slots:
    void shapes_data();
    void shapes();
    void randomVolumes_data();
    void randomVolumes();
};

void TestSurfaceRange::shapes_data()
{
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<QVector<U>>("expected"); // empty, lowest, highest
    const auto shaped = [](U nx, U ny, U nz, auto f) { return TestSupport::shaped(nx, ny, nz, f); };
    QTest::newRow("empty volume") << shaped(4, 3, 5, [](U, U, U, U) { return 0u; }) << QVector<U>{1, 0, 0};
    // A roof over a cavity: the column's top is the roof's, not the cavity's.
    QTest::newRow("roof over cavity") << shaped(5, 5, 9, [](U, U, U z, U) { return z < 2 || z == 6 ? 1u : 0u; })
                                      << QVector<U>{0, 7, 7};
}

void TestSurfaceRange::shapes()
{
    QFETCH(Grid, grid);
    QFETCH(QVector<U>, expected);
    for (int threads : {1, 2, 3})
        QCOMPARE(asRow(measure(grid, threads)), expected);
}

// A brute-force reading of small random volumes, split into 1 to 7 slabs,
// including more slabs than columns.
void TestSurfaceRange::randomVolumes_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<double>("density");
    QTest::newRow("sparse") << 11u << 0.02;
    QTest::newRow("half filled") << 23u << 0.5;
    QTest::newRow("dense") << 37u << 0.9;
}

void TestSurfaceRange::randomVolumes()
{
    QFETCH(quint32, seed);
    QFETCH(double, density);
    QRandomGenerator random(seed);
    for (int round = 0; round < 20; ++round) {
        const U nx = 1 + random.bounded(9u), ny = 1 + random.bounded(6u), nz = 1 + random.bounded(12u);
        const Grid grid = TestSupport::shaped(nx, ny, nz, [&](U, U, U, U) {
            return random.generateDouble() < density ? 1 + random.bounded(3u) : 0u;
        });
        const QVector<U> expected = asRow(reference(grid));
        for (int threads = 1; threads <= 7; ++threads)
            QCOMPARE(asRow(measure(grid, threads)), expected);
    }
}

QTEST_GUILESS_MAIN(TestSurfaceRange)
#include "tst_surfacerange.moc"

#include "Core/Operations/Engines/FluxEngine.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <vector>

using Core::Operations::FluxEngine;
using Model::Automaton::Voxel;

namespace {

// Cells of `cell` µm over nx x ny x nz, material where `solid` says so at the
// cell's centre (µm).
template <class Solid>
std::vector<Voxel> cellsOf(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, double cell, Solid solid)
{
    std::vector<Voxel> cells(std::size_t(nx) * ny * nz);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z)
                cells[(std::size_t(x) * ny + y) * nz + z] =
                    Voxel(solid((x + 0.5) * cell, (y + 0.5) * cell, (z + 0.5) * cell) ? 1u : 0u);
    return cells;
}

FluxEngine::Grid gridOf(const std::vector<Voxel> &cells, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                        double cell)
{
    return FluxEngine::Grid{cells.data(), nx, ny, nz, cell, cell, cell};
}

} // namespace

class TestFluxEngine : public QObject
{
    Q_OBJECT

private slots:
    void analyticViewFactors_data();
    void analyticViewFactors();
    void openSurfaceSeesTheWholeSky();
    void threadsGiveTheSameBits();
    void columnWalkMatchesCellWalk();
};

void TestFluxEngine::analyticViewFactors_data()
{
    QTest::addColumn<bool>("hole");
    QTest::addColumn<double>("aspect"); // depth over width
    // A round opening is counted to within 1 / (2 x rays x F) of its view
    // factor: the deepest hole here (F = 1/17) is counted to 1 %.
    for (const double aspect : {0.5, 2.0, 5.0})
        QTest::addRow("long slot, depth %g x width", aspect) << false << aspect;
    for (const double aspect : {0.5, 1.0, 2.0})
        QTest::addRow("round hole, depth %g x width", aspect) << true << aspect;
}

// From the middle of the floor of a long slot of half-width a and depth h the
// sky is seen with F = a / sqrt(a^2 + h^2); from the middle of the floor of a
// round hole of radius r, F = r^2 / (r^2 + h^2).
void TestFluxEngine::analyticViewFactors()
{
    QFETCH(bool, hole);
    QFETCH(double, aspect);
    // A hole's round edge needs finer cells than a slot's straight one.
    const double cell = hole ? 0.0625 : 0.25;
    const double half = 2.0; // µm
    const double depth = aspect * 2.0 * half;
    const double floor = 1.0;
    const double top = floor + depth;
    const std::uint32_t n = hole ? 160 : 24;
    const std::uint32_t ny = hole ? n : 4;
    const std::uint32_t nz = std::uint32_t(std::lround((top + 1.0) / cell));
    const double middle = n * cell / 2.0;
    const auto cells = cellsOf(n, ny, nz, cell, [&](double x, double y, double z) {
        const double off = hole ? std::hypot(x - middle, y - middle) : std::abs(x - middle);
        return z < floor || (z < top && off > half);
    });
    const FluxEngine engine(gridOf(cells, n, ny, nz, cell));
    const double f = engine.viewFactor({middle, hole ? middle : 0.5, floor + 1e-9});
    const double expected = hole ? half * half / (half * half + depth * depth) : half / std::hypot(half, depth);
    const QString numbers = QStringLiteral("F = %1, expected %2 (%3 %)").arg(f).arg(expected).arg(100.0 * (f - expected) / expected, 0, 'f', 2);
    QVERIFY2(std::abs(f - expected) <= 0.03 * expected, qPrintable(numbers));
    qInfo("%s", qPrintable(numbers));
}

void TestFluxEngine::openSurfaceSeesTheWholeSky()
{
    const auto cells = cellsOf(8, 8, 8, 0.5, [](double, double, double z) { return z < 2.0; });
    const FluxEngine engine(gridOf(cells, 8, 8, 8, 0.5));
    QCOMPARE(engine.skyLayer(), 4u);
    QCOMPARE(engine.viewFactor({1.0, 1.0, 2.0}), 1.0);
    // The cell just above the floor is lowered onto it; higher ones keep their centre.
    const std::size_t onFloor = (std::size_t(3) * 8 + 3) * 8 + 4;
    QCOMPARE(engine.cellPoint(onFloor).z, 2.0 + 0.5e-6);
    QCOMPARE(engine.cellPoint(onFloor + 1).z, 2.75);
    QCOMPARE(engine.viewFactors({onFloor, onFloor + 1}), std::vector<float>({1.0f, 1.0f}));
}

// A rough random landscape: one thread and many give the same bits.
void TestFluxEngine::threadsGiveTheSameBits()
{
    const std::uint32_t nx = 21, ny = 13, nz = 16;
    QRandomGenerator random(7);
    std::vector<std::uint32_t> heights(std::size_t(nx) * ny);
    for (std::uint32_t &h : heights)
        h = 2 + random.bounded(12u);
    std::vector<Voxel> cells(std::size_t(nx) * ny * nz, Voxel(0));
    std::vector<std::size_t> surface;
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::uint32_t h = heights[std::size_t(x) * ny + y];
            for (std::uint32_t z = 0; z < h; ++z)
                cells[(std::size_t(x) * ny + y) * nz + z] = Voxel(1);
            surface.push_back((std::size_t(x) * ny + y) * nz + h);
        }
    const FluxEngine engine(FluxEngine::Grid{cells.data(), nx, ny, nz, 1.0, 0.5, 0.25}, 256);
    const std::vector<float> one = engine.viewFactors(surface, 1);
    for (const int threads : {2, 3, 7}) {
        const std::vector<float> many = engine.viewFactors(surface, threads);
        QCOMPARE(many.size(), one.size());
        QVERIFY(std::memcmp(many.data(), one.data(), one.size() * sizeof(float)) == 0);
    }
    // Deep pits see less of the sky than the peaks around them.
    const auto highest = std::max_element(heights.begin(), heights.end()) - heights.begin();
    const auto lowest = std::min_element(heights.begin(), heights.end()) - heights.begin();
    QVERIFY(one[std::size_t(highest)] > one[std::size_t(lowest)]);
    QCOMPARE(one[std::size_t(highest)], 1.0f);
}

// Random cells with overhangs and caves, where a column's cells below its top
// are not all solid: the column walk blocks and frees the same rays as the
// walk through every cell face.
void TestFluxEngine::columnWalkMatchesCellWalk()
{
    const std::uint32_t nx = 17, ny = 11, nz = 24;
    QRandomGenerator random(11);
    std::vector<Voxel> cells(std::size_t(nx) * ny * nz, Voxel(0));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::uint32_t z = std::uint32_t(i % nz);
        if (z < 3 || (z < 18 && random.bounded(100u) < 12))
            cells[i] = Voxel(1);
    }
    const FluxEngine engine(FluxEngine::Grid{cells.data(), nx, ny, nz, 0.5, 1.0, 0.25}, 256);
    int compared = 0, differing = 0;
    for (std::size_t i = 0; i < cells.size(); i += 7) {
        if (cells[i].material != 0)
            continue;
        const FluxEngine::Point p = engine.cellPoint(i);
        const double walk = engine.viewFactor(p);
        const double reference = engine.viewFactorCellByCell(p);
        ++compared;
        // A ray through an edge or corner exactly may be decided either way.
        if (walk != reference) {
            ++differing;
            QVERIFY2(std::abs(walk - reference) <= 1.0 / 256.0 + 1e-12, qPrintable(QString::number(i)));
        }
    }
    QVERIFY(compared > 300);
    QVERIFY2(differing * 50 <= compared, qPrintable(QStringLiteral("%1 of %2 differ").arg(differing).arg(compared)));
}

QTEST_GUILESS_MAIN(TestFluxEngine)
#include "tst_fluxengine.moc"

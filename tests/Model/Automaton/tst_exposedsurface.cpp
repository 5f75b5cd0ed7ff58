#include "Model/Automaton/ExposedSurface.h"
#include "Model/Automaton/TotalVolume.h"

#include <QRandomGenerator>
#include <QtTest>

using Model::Automaton::ExposedSurface;
using Counts = std::map<std::uint32_t, std::uint64_t>;

namespace {

struct Shape
{
    int nx, ny, nz;
    std::vector<std::uint32_t> ids;
    // Outside the volume counts as solid: no open space reaches it.
    std::uint32_t at(int x, int y, int z) const
    {
        const bool inside = x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz;
        return inside ? ids[(std::size_t(x) * ny + y) * nz + z] : ~0u;
    }
};

Shape randomShape(int nx, int ny, int nz, int emptyPercent, quint32 seed)
{
    QRandomGenerator random(seed);
    Shape s{nx, ny, nz, std::vector<std::uint32_t>(std::size_t(nx) * ny * nz)};
    for (auto &id : s.ids)
        id = int(random.bounded(100)) < emptyPercent ? 0 : 1 + random.bounded(4);
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Shape)

class TestExposedSurface : public QObject
{
    Q_OBJECT

private slots:
    void matchesBruteForce_data();
    void matchesBruteForce();
};

void TestExposedSurface::matchesBruteForce_data()
{
    QTest::addColumn<Shape>("shape");
    Shape single{3, 3, 3, std::vector<std::uint32_t>(27, 0)};
    single.ids[13] = 7;
    QTest::newRow("one cell in the middle") << single;
    QTest::newRow("full block: nothing exposed") << Shape{4, 3, 2, std::vector<std::uint32_t>(24, 2)};
    QTest::newRow("tie goes to the lower id") << Shape{1, 1, 3, {5, 0, 2}};
    QTest::newRow("random, sparse") << randomShape(9, 7, 8, 70, 11);
    QTest::newRow("random, dense, fewer columns than slabs") << randomShape(3, 11, 10, 20, 12);
}

void TestExposedSurface::matchesBruteForce()
{
    QFETCH(Shape, shape);
    // Reference: every face of every filled cell, one at a time.
    static const int steps[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    Counts expected;
    for (int x = 0; x < shape.nx; ++x)
        for (int y = 0; y < shape.ny; ++y)
            for (int z = 0; z < shape.nz; ++z)
                for (const auto &d : steps)
                    if (shape.at(x, y, z) != 0 && shape.at(x + d[0], y + d[1], z + d[2]) == 0)
                        ++expected[shape.at(x, y, z)];
    std::uint32_t dominant = 0;
    for (const auto &[material, faces] : expected)
        if (faces > (dominant ? expected[dominant] : 0))
            dominant = material;

    Model::Automaton::TotalVolume volume(shape.nx, shape.ny, shape.nz, 1.f, 1.f, 1.f, Util::Vector3D(), shape.ids);
    for (int threads : {1, 4})
        QVERIFY2(ExposedSurface::faceCounts(volume, threads) == expected, qPrintable(QString::number(threads)));
    QCOMPARE(ExposedSurface::dominantMaterial(volume), dominant);
}

QTEST_GUILESS_MAIN(TestExposedSurface)
#include "tst_exposedsurface.moc"

#include "Model/Automaton/ExposedSurface.h"
#include "Model/Automaton/TotalVolume.h"

#include <QRandomGenerator>
#include <QtTest>

using Model::Automaton::ExposedSurface;
using Model::Automaton::TotalVolume;
using Counts = std::map<std::uint32_t, std::uint64_t>;

namespace {

struct Shape
{
    std::uint32_t nx, ny, nz;
    std::vector<std::uint32_t> ids;
    std::uint32_t at(int x, int y, int z) const
    {
        if (x < 0 || y < 0 || z < 0 || x >= int(nx) || y >= int(ny) || z >= int(nz))
            return ~0u; // outside: not open space
        return ids[(std::size_t(x) * ny + y) * nz + z];
    }
};

// Every face of every filled cell, one at a time.
Counts bruteForce(const Shape &s)
{
    static const int steps[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    Counts counts;
    for (int x = 0; x < int(s.nx); ++x)
        for (int y = 0; y < int(s.ny); ++y)
            for (int z = 0; z < int(s.nz); ++z) {
                const std::uint32_t m = s.at(x, y, z);
                if (m == 0)
                    continue;
                for (const auto &d : steps)
                    if (s.at(x + d[0], y + d[1], z + d[2]) == 0)
                        ++counts[m];
            }
    return counts;
}

Shape randomShape(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, int emptyPercent, quint32 seed)
{
    QRandomGenerator random(seed);
    Shape s{nx, ny, nz, std::vector<std::uint32_t>(std::size_t(nx) * ny * nz)};
    for (auto &id : s.ids)
        id = int(random.bounded(100)) < emptyPercent ? 0 : 1 + random.bounded(4);
    return s;
}

// Silicon below `top`, a coat of oxide `coat` thick over the top and the
// sides of a centred post, empty above.
Shape coatedPost(std::uint32_t coat)
{
    const std::uint32_t n = 20, top = 6;
    Shape s{n, n, n, std::vector<std::uint32_t>(std::size_t(n) * n * n, 0)};
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y)
            for (std::uint32_t z = 0; z < n; ++z) {
                const bool post = x >= 7 && x < 13 && y >= 7 && y < 13 && z < 14;
                const bool coatPost = x + coat >= 7 && x < 13 + coat && y + coat >= 7 && y < 13 + coat && z < 14 + coat;
                std::uint32_t &id = s.ids[(std::size_t(x) * n + y) * n + z];
                if (z < top || post)
                    id = 1;
                else if (z < top + coat || coatPost)
                    id = 3;
            }
    return s;
}

std::shared_ptr<TotalVolume> volumeOf(const Shape &s)
{
    return std::make_shared<TotalVolume>(s.nx, s.ny, s.nz, 1.f, 1.f, 1.f, Util::Vector3D(), s.ids);
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
    QTest::addColumn<std::uint32_t>("dominant");
    const auto single = [] {
        Shape s{3, 3, 3, std::vector<std::uint32_t>(27, 0)};
        s.ids[13] = 7;
        return s;
    };
    QTest::newRow("one cell in the middle: six faces") << single() << 7u;
    QTest::newRow("full block: nothing exposed") << Shape{4, 3, 2, std::vector<std::uint32_t>(24, 2)} << 0u;
    QTest::newRow("tie goes to the lower id") << Shape{1, 1, 3, {5, 0, 2}} << 2u;
    QTest::newRow("random, sparse") << randomShape(9, 7, 8, 70, 11) << 0u;
    QTest::newRow("random, dense, fewer columns than slabs") << randomShape(3, 11, 10, 20, 12) << 0u;
    QTest::newRow("post coated with oxide") << coatedPost(2) << 3u;
    QTest::newRow("bare silicon post") << coatedPost(0) << 1u;
}

void TestExposedSurface::matchesBruteForce()
{
    QFETCH(Shape, shape);
    QFETCH(std::uint32_t, dominant);
    const Counts expected = bruteForce(shape);
    auto volume = volumeOf(shape);
    for (int threads : {1, 4})
        QVERIFY2(ExposedSurface::faceCounts(*volume, threads) == expected, qPrintable(QString::number(threads)));
    // Random rows: the reference picks the winner.
    if (dominant == 0 && !expected.empty()) {
        std::uint64_t best = 0;
        for (const auto &[material, faces] : expected)
            if (faces > best) {
                best = faces;
                dominant = material;
            }
    }
    QCOMPARE(ExposedSurface::dominantMaterial(*volume), dominant);
}

QTEST_GUILESS_MAIN(TestExposedSurface)
#include "tst_exposedsurface.moc"

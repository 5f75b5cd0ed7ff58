#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtching.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <random>
#include <set>

using Core::Operations::SimpleReactiveIonEtching;
using Model::Automaton::TotalVolume;

namespace {

// One column, bottom to top, as digits (material ids), copied into every
// (x, y) of a 5 x 2 volume.
std::shared_ptr<TotalVolume> columnVolume(const QString &column)
{
    const std::uint32_t nz = std::uint32_t(column.size());
    std::vector<std::uint32_t> ids(10 * nz);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = std::uint32_t(column[int(i % nz)].digitValue());
    return std::make_shared<TotalVolume>(5, 2, nz, 1.f, 1.f, 0.5f, Util::Vector3D(), ids);
}

// The etch step by step from its rules: the front is the set of exposed
// cells; each step empties them and adds the next cell of the material
// inwards, reading the cells as they were before the step.
std::vector<std::uint32_t> referenceEtch(std::vector<std::uint32_t> ids, std::uint32_t nz, std::uint32_t material,
                                         std::uint32_t steps, int directions)
{
    std::set<std::size_t> front;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::size_t z = i % nz;
        if (ids[i] == material && (((directions & 1) && z + 1 < nz && ids[i + 1] == 0)
                                   || ((directions & 2) && z > 0 && ids[i - 1] == 0)))
            front.insert(i);
    }
    for (std::uint32_t s = 0; s < steps; ++s) {
        std::vector<std::uint32_t> next = ids;
        std::set<std::size_t> grown;
        for (const std::size_t i : front) {
            if (ids[i] != material)
                continue;
            next[i] = 0;
            const std::size_t z = i % nz;
            if ((directions & 2) && z + 1 < nz && ids[i + 1] == material)
                grown.insert(i + 1);
            if ((directions & 1) && z > 0 && ids[i - 1] == material)
                grown.insert(i - 1);
        }
        ids.swap(next);
        front.swap(grown);
    }
    return ids;
}

} // namespace

class TestSimpleRie : public QObject
{
    Q_OBJECT

private slots:
    void columns_data();
    void columns();
    void matchesReference();
};

void TestSimpleRie::columns_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<std::uint32_t>("material");
    QTest::addColumn<std::uint32_t>("depth");
    QTest::addColumn<int>("directions");
    QTest::addColumn<QString>("after");
    QTest::newRow("from the top stops at another material") << "21111000" << 1u << 10u << 1 << "20000000";
    QTest::newRow("3 cells (1.5 units) from the top") << "111110" << 1u << 3u << 1 << "110000";
    QTest::newRow("from below thins a suspended layer") << "0011100" << 1u << 1u << 2 << "0001100";
    QTest::newRow("no direction etches nothing") << "0111110" << 1u << 3u << 0 << "0111110";
    QTest::newRow("a material no cell holds") << "0111110" << 7u << 3u << 3 << "0111110";
    QTest::newRow("depth 0") << "111110" << 1u << 0u << 1 << "111110";
}

void TestSimpleRie::columns()
{
    QFETCH(QString, before);
    QFETCH(std::uint32_t, material);
    QFETCH(std::uint32_t, depth);
    QFETCH(int, directions);
    QFETCH(QString, after);
    for (int threads : {1, 2}) {
        auto volume = columnVolume(before);
        SimpleReactiveIonEtching etch(volume.get(), material, depth, std::uint8_t(directions));
        etch.setThreadCount(threads);
        etch.runEtching();
        QVERIFY(volume->materialIds() == columnVolume(after)->materialIds());
    }
}

// Random columns of empty cells, silicon and oxide: every strip count gives
// the step-by-step result.
void TestSimpleRie::matchesReference()
{
    std::mt19937 random(11);
    const std::uint32_t nx = 9, ny = 4, nz = 24;
    std::vector<std::uint32_t> ids(nx * ny * nz);
    for (auto &id : ids)
        id = std::uint32_t(random() % 5) < 3 ? 1u : std::uint32_t(random() % 2) * 3u;
    for (int directions : {1, 2, 3})
        for (std::uint32_t depth : {1u, 2u, 5u})
            for (int threads : {1, 3, 4}) {
                TotalVolume volume(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
                SimpleReactiveIonEtching etch(&volume, 1, depth, std::uint8_t(directions));
                etch.setThreadCount(threads);
                etch.runEtching();
                QVERIFY2(volume.materialIds() == referenceEtch(ids, nz, 1, depth, directions),
                         qPrintable(QString("directions %1, depth %2, %3 threads").arg(directions).arg(depth).arg(threads)));
            }
}

QTEST_GUILESS_MAIN(TestSimpleRie)
#include "tst_simplerie.moc"

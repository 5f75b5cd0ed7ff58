#include "Core/Operations/IsotropicFilmDeposition.h"
#include "Core/Operations/IsotropicFilmEtching.h"
#include "Core/Operations/SurfaceFrontProcess.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IProgress.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

using Core::Operations::IsotropicFilmDeposition;
using Core::Operations::IsotropicFilmEtching;
using Core::Operations::SurfaceFrontProcess;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

struct Grid
{
    std::uint32_t nx = 0;
    std::uint32_t ny = 0;
    std::uint32_t nz = 0;
    float cx = 1.0f;
    float cy = 1.0f;
    float cz = 1.0f;
    std::vector<std::uint32_t> ids;

    std::size_t index(std::uint32_t x, std::uint32_t y, std::uint32_t z) const
    {
        return (std::size_t(x) * ny + y) * nz + z;
    }
};

enum class Mode { Deposit, Etch };

Grid emptyGrid(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, float cx = 1, float cy = 1, float cz = 1)
{
    Grid g{nx, ny, nz, cx, cy, cz, {}};
    g.ids.assign(std::size_t(nx) * ny * nz, 0);
    return g;
}

// A floor of `floorHeight` layers of material 1, then cells of materials 1..3
// scattered above it with the given density.
Grid randomGrid(quint32 seed, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, double density,
                std::uint32_t floorHeight = 2, float cx = 1, float cy = 1, float cz = 1)
{
    Grid g = emptyGrid(nx, ny, nz, cx, cy, cz);
    QRandomGenerator random(seed);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z) {
                if (z < floorHeight)
                    g.ids[g.index(x, y, z)] = 1;
                else if (random.generateDouble() < density)
                    g.ids[g.index(x, y, z)] = 1 + random.bounded(3u);
            }
    return g;
}

std::unique_ptr<TotalVolume> makeVolume(const Grid &g)
{
    return std::make_unique<TotalVolume>(g.nx, g.ny, g.nz, g.cx, g.cy, g.cz, Util::Vector3D(0, 0, 0), g.ids);
}

std::vector<Voxel> snapshot(TotalVolume &volume)
{
    const Voxel *cells = volume.lockCells();
    std::vector<Voxel> copy(cells, cells + volume.getCellCount());
    volume.unlockCells();
    return copy;
}

std::unique_ptr<SurfaceFrontProcess> makeProcess(Mode mode, TotalVolume *volume, std::uint32_t material,
                                                 float distance)
{
    if (mode == Mode::Deposit)
        return std::make_unique<IsotropicFilmDeposition>(volume, material, distance);
    return std::make_unique<IsotropicFilmEtching>(volume, material, distance);
}

std::vector<Voxel> runProcess(const Grid &g, Mode mode, std::uint32_t material, float distance,
                              unsigned strips = 0, std::uint64_t *stepsDone = nullptr)
{
    auto volume = makeVolume(g);
    auto process = makeProcess(mode, volume.get(), material, distance);
    if (strips)
        process->setStripCount(strips);
    process->run();
    if (stepsDone)
        *stepsDone = process->getStepsDone();
    return snapshot(*volume);
}

std::vector<std::uint32_t> materialsOf(const std::vector<Voxel> &cells)
{
    std::vector<std::uint32_t> ids;
    ids.reserve(cells.size());
    for (const Voxel &c : cells)
        ids.push_back(c.material);
    return ids;
}

// The front rules written plainly: whole-volume copies, std::set fronts, one
// thread, bounds checked on every neighbour, exactly `steps` steps.
std::vector<Voxel> simulate(const Grid &g, Mode mode, std::uint32_t material, float t, std::uint64_t steps)
{
    const bool deposit = mode == Mode::Deposit;
    std::vector<Voxel> cur(g.ids.size());
    const auto inside = [&](long x, long y, long z) {
        return x >= 0 && y >= 0 && z >= 0 && x < long(g.nx) && y < long(g.ny) && z < long(g.nz);
    };
    const auto isSource = [&](std::uint32_t id) { return deposit ? id != 0 : id == 0; };
    for (std::size_t i = 0; i < cur.size(); ++i) {
        cur[i].material = g.ids[i];
        cur[i].flag = isSource(g.ids[i]);
        const float v = cur[i].flag ? 0.0f : t;
        cur[i].setVector(v, v, v);
    }
    std::set<std::size_t> front;
    for (long x = 0; x < long(g.nx); ++x)
        for (long y = 0; y < long(g.ny); ++y)
            for (long z = 0; z < long(g.nz); ++z) {
                if (isSource(g.ids[g.index(x, y, z)]))
                    continue;
                for (long dx = -1; dx <= 1; ++dx)
                    for (long dy = -1; dy <= 1; ++dy)
                        for (long dz = -1; dz <= 1; ++dz)
                            if ((dx || dy || dz) && inside(x + dx, y + dy, z + dz)
                                && isSource(g.ids[g.index(x + dx, y + dy, z + dz)]))
                                front.insert(g.index(x, y, z));
            }

    const long offsets[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    const float faceSteps[6][3] = {{0, 0, -g.cz}, {0, 0, g.cz}, {0, -g.cy, 0},
                                   {0, g.cy, 0},  {-g.cx, 0, 0}, {g.cx, 0, 0}};
    const float limit = t * t;
    for (std::uint64_t s = 0; s < steps; ++s) {
        std::vector<Voxel> next = cur;
        std::set<std::size_t> newFront;
        for (const std::size_t p : front) {
            const Voxel &c = cur[p];
            if (c.flag || (!deposit && c.material != 0 && c.material != material))
                continue;
            const long x = long(p / (std::size_t(g.ny) * g.nz));
            const long y = long((p / g.nz) % g.ny);
            const long z = long(p % g.nz);
            float best = c.vx * c.vx + c.vy * c.vy + c.vz * c.vz;
            bool found = false;
            float b[3] = {0, 0, 0};
            for (int k = 0; k < 6; ++k) {
                if (!inside(x + offsets[k][0], y + offsets[k][1], z + offsets[k][2]))
                    continue;
                const Voxel &q = cur[g.index(x + offsets[k][0], y + offsets[k][1], z + offsets[k][2])];
                const float ax = q.vx + faceSteps[k][0];
                const float ay = q.vy + faceSteps[k][1];
                const float az = q.vz + faceSteps[k][2];
                const float length = ax * ax + ay * ay + az * az;
                if (length < best && length <= limit) {
                    best = length;
                    b[0] = ax;
                    b[1] = ay;
                    b[2] = az;
                    found = true;
                }
            }
            if (!found)
                continue;
            if (deposit && c.material == 0)
                next[p].material = material;
            if (!deposit && c.material == material)
                next[p].material = 0;
            next[p].flag = false;
            next[p].setVector(b[0], b[1], b[2]);
            for (long dx = -1; dx <= 1; ++dx)
                for (long dy = -1; dy <= 1; ++dy)
                    for (long dz = -1; dz <= 1; ++dz) {
                        if (!(dx || dy || dz) || !inside(x + dx, y + dy, z + dz))
                            continue;
                        const std::size_t n = g.index(x + dx, y + dy, z + dz);
                        if (deposit ? cur[n].material == 0 : cur[n].material != 0)
                            newFront.insert(n);
                    }
        }
        cur.swap(next);
        front.swap(newFront);
    }
    return cur;
}

// Cells that differ in material, fixed mark or offset (bit for bit).
int differences(const std::vector<Voxel> &a, const std::vector<Voxel> &b)
{
    if (a.size() != b.size())
        return -1;
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].material != b[i].material || a[i].flag != b[i].flag
            || std::memcmp(&a[i].vx, &b[i].vx, sizeof(float)) != 0
            || std::memcmp(&a[i].vy, &b[i].vy, sizeof(float)) != 0
            || std::memcmp(&a[i].vz, &b[i].vz, sizeof(float)) != 0)
            ++count;
    }
    return count;
}

class ProgressLog : public Util::IProgress
{
public:
    void setProgress(unsigned long long done, unsigned long long total) override
    {
        calls.push_back({done, total});
    }
    std::vector<std::pair<unsigned long long, unsigned long long>> calls;
};

} // namespace

Q_DECLARE_METATYPE(Grid)
Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(std::vector<std::uint32_t>)

class TestSurfaceFront : public QObject
{
    Q_OBJECT

private slots:
    void stepCount_data();
    void stepCount();
    void matchesPlainRules_data();
    void matchesPlainRules();
    void knownResults_data();
    void knownResults();
    void stripsAgree_data();
    void stripsAgree();
    void hugeDistanceStopsEarly_data();
    void hugeDistanceStopsEarly();
    void agreementWithExactDistance_data();
    void agreementWithExactDistance();
    void staleSecondArrayIsIgnored();
};

void TestSurfaceFront::stepCount_data()
{
    QTest::addColumn<float>("distance");
    QTest::addColumn<float>("cx");
    QTest::addColumn<float>("cy");
    QTest::addColumn<float>("cz");
    QTest::addColumn<quint64>("steps");

    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("thickness 0") << 0.0f << 1.0f << 1.0f << 1.0f << quint64(0);
    QTest::newRow("below one cell") << 0.5f << 1.0f << 1.0f << 1.0f << quint64(1);
    QTest::newRow("one cell") << 1.0f << 1.0f << 1.0f << 1.0f << quint64(1);
    QTest::newRow("t = 10") << 10.0f << 1.0f << 1.0f << 1.0f << quint64(17);
    QTest::newRow("t = 20") << 20.0f << 1.0f << 1.0f << 1.0f << quint64(34);
    QTest::newRow("smallest size counts") << 3.0f << 2.0f << 0.5f << 1.0f << quint64(10);
    QTest::newRow("ceiling in float") << 2.5f << 1.0f << 1.0f << 1.0f << quint64(5);
    QTest::newRow("1e9") << 1e9f << 1.0f << 1.0f << 1.0f << quint64(1707106781);
    QTest::newRow("negative") << -4.0f << 1.0f << 1.0f << 1.0f << quint64(0);
    QTest::newRow("not a number") << std::nanf("") << 1.0f << 1.0f << 1.0f << quint64(0);
    QTest::newRow("zero cell size") << 4.0f << 0.0f << 1.0f << 1.0f << quint64(0);
    QTest::newRow("infinite") << inf << 1.0f << 1.0f << 1.0f << std::numeric_limits<quint64>::max();
}

void TestSurfaceFront::stepCount()
{
    QFETCH(float, distance);
    QFETCH(float, cx);
    QFETCH(float, cy);
    QFETCH(float, cz);
    QFETCH(quint64, steps);
    QCOMPARE(quint64(SurfaceFrontProcess::stepCount(distance, cx, cy, cz)), steps);
}

void TestSurfaceFront::matchesPlainRules_data()
{
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<uint>("material");
    QTest::addColumn<float>("distance");
    QTest::addColumn<uint>("strips");

    QTest::newRow("deposit sparse t=3") << randomGrid(1, 14, 11, 12, 0.05) << Mode::Deposit << 5u << 3.0f << 1u;
    QTest::newRow("deposit dense t=2.5") << randomGrid(2, 12, 13, 10, 0.3) << Mode::Deposit << 5u << 2.5f << 3u;
    QTest::newRow("deposit t=6, 4 strips") << randomGrid(3, 17, 9, 15, 0.08) << Mode::Deposit << 2u << 6.0f << 4u;
    QTest::newRow("deposit no floor") << randomGrid(4, 13, 13, 13, 0.02, 0) << Mode::Deposit << 4u << 4.0f << 2u;
    QTest::newRow("deposit cx != cz") << randomGrid(5, 12, 10, 14, 0.06, 2, 2.0f, 1.0f, 0.5f) << Mode::Deposit
                                      << 4u << 3.0f << 3u;
    QTest::newRow("deposit 1.5 x 1 x 0.7") << randomGrid(6, 16, 9, 11, 0.1, 1, 1.5f, 1.0f, 0.7f)
                                           << Mode::Deposit << 4u << 2.2f << 2u;
    QTest::newRow("etch material 1 t=3") << randomGrid(7, 14, 11, 12, 0.5, 3) << Mode::Etch << 1u << 3.0f << 1u;
    QTest::newRow("etch material 2 t=4") << randomGrid(8, 15, 10, 12, 0.7, 2) << Mode::Etch << 2u << 4.0f << 3u;
    QTest::newRow("etch dense t=5") << randomGrid(9, 16, 12, 10, 0.85, 4) << Mode::Etch << 1u << 5.0f << 4u;
    QTest::newRow("etch cx != cz") << randomGrid(10, 12, 12, 12, 0.6, 3, 0.5f, 1.0f, 2.0f) << Mode::Etch
                                   << 1u << 2.5f << 2u;
}

void TestSurfaceFront::matchesPlainRules()
{
    QFETCH(Grid, grid);
    QFETCH(Mode, mode);
    QFETCH(uint, material);
    QFETCH(float, distance);
    QFETCH(uint, strips);

    const std::uint64_t steps = SurfaceFrontProcess::stepCount(distance, grid.cx, grid.cy, grid.cz);
    const std::vector<Voxel> expected = simulate(grid, mode, material, distance, steps);
    const std::vector<Voxel> actual = runProcess(grid, mode, material, distance, strips);
    QCOMPARE(differences(actual, expected), 0);
    QVERIFY(materialsOf(actual) != grid.ids); // the case did something
}

void TestSurfaceFront::knownResults_data()
{
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<uint>("material");
    QTest::addColumn<float>("distance");
    QTest::addColumn<std::vector<std::uint32_t>>("expected");

    const Grid random = randomGrid(21, 12, 10, 9, 0.15);
    QTest::newRow("thickness 0") << random << Mode::Deposit << 2u << 0.0f << random.ids;
    QTest::newRow("depth 0") << random << Mode::Etch << 1u << 0.0f << random.ids;
    QTest::newRow("t below cell size") << random << Mode::Deposit << 2u << 0.99f << random.ids;
    const Grid coarse = randomGrid(22, 12, 10, 9, 0.15, 2, 2.0f, 2.0f, 2.0f);
    QTest::newRow("t below coarse cell size") << coarse << Mode::Deposit << 2u << 1.9f << coarse.ids;
    QTest::newRow("etch t below cell size") << random << Mode::Etch << 1u << 0.5f << random.ids;

    // Flat top: t = 1 fills exactly the one layer above the surface.
    Grid flat = emptyGrid(8, 7, 6);
    for (std::uint32_t x = 0; x < 8; ++x)
        for (std::uint32_t y = 0; y < 7; ++y)
            for (std::uint32_t z = 0; z < 2; ++z)
                flat.ids[flat.index(x, y, z)] = 1;
    std::vector<std::uint32_t> layer = flat.ids;
    for (std::uint32_t x = 0; x < 8; ++x)
        for (std::uint32_t y = 0; y < 7; ++y)
            layer[flat.index(x, y, 2)] = 3;
    QTest::newRow("flat top, t = 1") << flat << Mode::Deposit << 3u << 1.0f << layer;

    // One seed cell: its six face neighbours fill, the twenty diagonal ones
    // stay empty since sqrt 2 > 1.
    Grid seed = emptyGrid(5, 5, 5);
    seed.ids[seed.index(2, 2, 2)] = 1;
    std::vector<std::uint32_t> cross = seed.ids;
    for (const auto &d : {std::array<int, 3>{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}})
        cross[seed.index(2 + d[0], 2 + d[1], 2 + d[2])] = 4;
    QTest::newRow("diagonal only stays empty") << seed << Mode::Deposit << 4u << 1.0f << cross;

    // Anisotropic cells: cz = 0.5 so t = 1 gives two layers on the floor;
    // cx = 2 so the wall at x = 0 fills nothing sideways.
    Grid aniso = emptyGrid(6, 5, 8, 2.0f, 1.0f, 0.5f);
    for (std::uint32_t x = 0; x < 6; ++x)
        for (std::uint32_t y = 0; y < 5; ++y)
            for (std::uint32_t z = 0; z < 8; ++z)
                if (z < 2 || x == 0)
                    aniso.ids[aniso.index(x, y, z)] = 1;
    std::vector<std::uint32_t> anisoFilm = aniso.ids;
    for (std::uint32_t x = 1; x < 6; ++x)
        for (std::uint32_t y = 0; y < 5; ++y)
            for (std::uint32_t z = 2; z < 4; ++z)
                anisoFilm[aniso.index(x, y, z)] = 2;
    QTest::newRow("cx != cz flat floor and wall") << aniso << Mode::Deposit << 2u << 1.0f << anisoFilm;

    const Grid empty = emptyGrid(9, 8, 7);
    QTest::newRow("empty volume") << empty << Mode::Deposit << 1u << 5.0f << empty.ids;

    // Material 2 entirely wrapped in material 1: no empty neighbour.
    Grid covered = emptyGrid(8, 8, 8);
    for (std::uint32_t x = 1; x < 7; ++x)
        for (std::uint32_t y = 1; y < 7; ++y)
            for (std::uint32_t z = 0; z < 5; ++z)
                covered.ids[covered.index(x, y, z)] = (x > 1 && x < 6 && y > 1 && y < 6 && z < 4) ? 2 : 1;
    QTest::newRow("etch covered material") << covered << Mode::Etch << 2u << 6.0f << covered.ids;
    QTest::newRow("etch absent material") << random << Mode::Etch << 7u << 6.0f << random.ids;

    // A mask of material 2 over material 1 with one hole at (2, 2): only the
    // material-1 cells within the depth of the hole go.
    Grid masked = emptyGrid(6, 6, 7);
    for (std::uint32_t x = 0; x < 6; ++x)
        for (std::uint32_t y = 0; y < 6; ++y)
            for (std::uint32_t z = 0; z < 5; ++z)
                masked.ids[masked.index(x, y, z)] = z == 4 ? 2 : 1;
    masked.ids[masked.index(2, 2, 4)] = 0;
    std::vector<std::uint32_t> bowl = masked.ids;
    for (std::uint32_t x = 0; x < 6; ++x)
        for (std::uint32_t y = 0; y < 6; ++y)
            for (std::uint32_t z = 0; z < 4; ++z) {
                const int dx = int(x) - 2, dy = int(y) - 2, dz = int(z) - 4;
                if (dx * dx + dy * dy + dz * dz <= 4)
                    bowl[masked.index(x, y, z)] = 0;
            }
    QTest::newRow("mask with a hole") << masked << Mode::Etch << 1u << 2.0f << bowl;
    QTest::newRow("mask itself is not etched") << masked << Mode::Etch << 1u << 0.5f << masked.ids;
}

void TestSurfaceFront::knownResults()
{
    QFETCH(Grid, grid);
    QFETCH(Mode, mode);
    QFETCH(uint, material);
    QFETCH(float, distance);
    QFETCH(std::vector<std::uint32_t>, expected);

    for (const unsigned strips : {1u, 3u}) {
        std::uint64_t steps = 0;
        const std::vector<std::uint32_t> result = materialsOf(runProcess(grid, mode, material, distance, strips, &steps));
        QCOMPARE(result, expected);
        if (std::all_of(grid.ids.begin(), grid.ids.end(), [](std::uint32_t id) { return id == 0; }))
            QCOMPARE(steps, std::uint64_t(0)); // nothing to start from: no step runs
    }
}

void TestSurfaceFront::stripsAgree_data()
{
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<float>("distance");

    QTest::newRow("deposit 29 x 11 x 13") << randomGrid(31, 29, 11, 13, 0.07) << Mode::Deposit << 4.5f;
    QTest::newRow("deposit dense") << randomGrid(32, 23, 12, 9, 0.35) << Mode::Deposit << 3.0f;
    QTest::newRow("deposit narrow x") << randomGrid(33, 5, 14, 12, 0.1) << Mode::Deposit << 3.0f;
    QTest::newRow("deposit anisotropic") << randomGrid(34, 21, 9, 12, 0.1, 2, 0.7f, 1.3f, 1.0f) << Mode::Deposit
                                         << 3.5f;
    QTest::newRow("etch 27 x 10 x 12") << randomGrid(35, 27, 10, 12, 0.6, 3) << Mode::Etch << 4.0f;
    QTest::newRow("etch narrow x") << randomGrid(36, 6, 12, 10, 0.7, 3) << Mode::Etch << 3.0f;
}

void TestSurfaceFront::stripsAgree()
{
    QFETCH(Grid, grid);
    QFETCH(Mode, mode);
    QFETCH(float, distance);

    const std::vector<Voxel> single = runProcess(grid, mode, 1, distance, 1);
    QVERIFY(materialsOf(single) != grid.ids);
    for (const unsigned strips : {2u, 3u, 4u, 7u}) {
        auto volume = makeVolume(grid);
        auto process = makeProcess(mode, volume.get(), 1, distance);
        process->setStripCount(strips);
        process->run();
        QCOMPARE(process->getStripsUsed(), grid.nx / strips >= 2 ? strips : 1u);
        QCOMPARE(differences(snapshot(*volume), single), 0);
    }
}

void TestSurfaceFront::hugeDistanceStopsEarly_data()
{
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<Mode>("mode");

    QTest::newRow("deposit") << randomGrid(41, 24, 20, 16, 0.04) << Mode::Deposit;
    QTest::newRow("etch") << randomGrid(42, 24, 20, 16, 0.9, 4) << Mode::Etch;
}

void TestSurfaceFront::hugeDistanceStopsEarly()
{
    QFETCH(Grid, grid);
    QFETCH(Mode, mode);

    auto volume = makeVolume(grid);
    auto process = makeProcess(mode, volume.get(), 1, 1e9f);
    ProgressLog progress;
    process->setProgress(&progress);
    process->setStripCount(3);
    QElapsedTimer timer;
    timer.start();
    process->run();
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(process->getStepCount(), std::uint64_t(1707106781));
    QVERIFY(process->getStepsDone() > 0);
    QVERIFY(process->getStepsDone() < 200);
    QVERIFY(!progress.calls.empty());
    QCOMPARE(progress.calls.back().first, progress.calls.back().second);
    QCOMPARE(progress.calls.back().second, 1707106781ull);
    for (std::size_t i = 1; i < progress.calls.size(); ++i)
        QVERIFY(progress.calls[i].first >= progress.calls[i - 1].first);

    // Just beyond the volume's diagonal every reachable cell is within reach,
    // and the run without an early stop gives the same cells.
    const float diagonal = std::sqrt(float(grid.nx * grid.nx + grid.ny * grid.ny + grid.nz * grid.nz)) + 1.0f;
    const std::vector<Voxel> reference
        = simulate(grid, mode, 1, diagonal, SurfaceFrontProcess::stepCount(diagonal, 1, 1, 1));
    QCOMPARE(materialsOf(snapshot(*volume)), materialsOf(reference));
}

void TestSurfaceFront::agreementWithExactDistance_data()
{
    QTest::addColumn<Grid>("grid");
    QTest::addColumn<float>("distance");
    QTest::addColumn<double>("tolerance"); // share of cells allowed to differ

    Grid seed = emptyGrid(15, 15, 15);
    seed.ids[seed.index(7, 7, 7)] = 1;
    QTest::newRow("one seed, t = 6") << seed << 6.0f << 0.0;

    Grid floor = emptyGrid(10, 9, 12, 1.0f, 1.0f, 0.5f);
    for (std::uint32_t x = 0; x < 10; ++x)
        for (std::uint32_t y = 0; y < 9; ++y)
            floor.ids[floor.index(x, y, 0)] = 1;
    QTest::newRow("floor, cz = 0.5, t = 3.2") << floor << 3.2f << 0.0;

    Grid box = emptyGrid(18, 18, 18);
    for (std::uint32_t x = 6; x < 11; ++x)
        for (std::uint32_t y = 7; y < 10; ++y)
            for (std::uint32_t z = 5; z < 12; ++z)
                box.ids[box.index(x, y, z)] = 1;
    QTest::newRow("box, t = 5") << box << 5.0f << 0.0;

    QTest::newRow("random sparse, t = 4") << randomGrid(51, 18, 18, 18, 0.01, 1) << 4.0f << 0.02;
    QTest::newRow("random dense, t = 3") << randomGrid(52, 16, 16, 16, 0.15, 1) << 3.0f << 0.02;
}

// Deposition against the exact Euclidean distance to the nearest non-empty
// cell. The front carries offsets through face neighbours, so it is exact
// for a single seed and convex shapes and close to exact in general.
void TestSurfaceFront::agreementWithExactDistance()
{
    QFETCH(Grid, grid);
    QFETCH(float, distance);
    QFETCH(double, tolerance);

    std::vector<std::array<float, 3>> solid;
    for (std::uint32_t x = 0; x < grid.nx; ++x)
        for (std::uint32_t y = 0; y < grid.ny; ++y)
            for (std::uint32_t z = 0; z < grid.nz; ++z)
                if (grid.ids[grid.index(x, y, z)])
                    solid.push_back({x * grid.cx, y * grid.cy, z * grid.cz});

    const std::vector<std::uint32_t> result = materialsOf(runProcess(grid, Mode::Deposit, 9, distance, 2));
    int differing = 0;
    int filled = 0;
    for (std::uint32_t x = 0; x < grid.nx; ++x)
        for (std::uint32_t y = 0; y < grid.ny; ++y)
            for (std::uint32_t z = 0; z < grid.nz; ++z) {
                const std::size_t i = grid.index(x, y, z);
                if (grid.ids[i])
                    continue;
                double nearest = std::numeric_limits<double>::max();
                for (const auto &s : solid) {
                    const double dx = x * grid.cx - s[0], dy = y * grid.cy - s[1], dz = z * grid.cz - s[2];
                    nearest = std::min(nearest, dx * dx + dy * dy + dz * dz);
                }
                const bool inReach = std::sqrt(nearest) <= distance;
                filled += inReach;
                if (inReach != (result[i] == 9))
                    ++differing;
            }
    qInfo("%d of %d empty cells in reach; %d differ from the exact distance", filled,
          int(grid.ids.size() - solid.size()), differing);
    QVERIFY(filled > 0);
    QVERIFY2(differing <= tolerance * double(grid.ids.size()), qPrintable(QString::number(differing)));
}

// Whatever an earlier process left in the second array (materials included)
// must not leak into the result.
void TestSurfaceFront::staleSecondArrayIsIgnored()
{
    const Grid grid = randomGrid(61, 16, 12, 10, 0.1);
    for (const Mode mode : {Mode::Deposit, Mode::Etch}) {
        const std::vector<Voxel> clean = runProcess(grid, mode, 1, 3.0f, 2);
        auto volume = makeVolume(grid);
        Voxel *next = volume->lockNextCells();
        QRandomGenerator random(7);
        for (std::size_t i = 0; i < volume->getCellCount(); ++i) {
            next[i].material = random.bounded(5u);
            next[i].flag = random.bounded(2u);
            next[i].setVector(-1.0f, 0.25f, 0.0f);
        }
        volume->unlockNextCells();
        auto process = makeProcess(mode, volume.get(), 1, 3.0f);
        process->setStripCount(2);
        process->run();
        QCOMPARE(differences(snapshot(*volume), clean), 0);
    }
}

QTEST_GUILESS_MAIN(TestSurfaceFront)
#include "tst_surfacefront.moc"

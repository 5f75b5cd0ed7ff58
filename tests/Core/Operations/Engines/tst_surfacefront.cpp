#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Operations/Engines/SurfaceFrontProcess.h"
#include "Core/FrontReference.h"
#include "Model/Document.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Util/IProgress.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using Core::Operations::SurfaceFrontProcess;
using Model::Automaton::Voxel;
using U = std::uint32_t;
using Grid = TestSupport::ReferenceGrid;
using TestSupport::floorGrid;
using TestSupport::shaped;

namespace {

enum class Mode { Deposit, Etch };

struct Result
{
    std::vector<U> ids;
    // Per cell, as the run left it: fixed mark, offset x, y, z.
    std::vector<std::array<float, 4>> state;
    std::uint64_t stepsDone = 0, stepCount = 0;
    unsigned stripsUsed = 0;
};

// A process that records the working state every strip ends with, read
// through the engine's accessors.
template <class Process>
class Recording : public Process
{
public:
    Recording(Model::Automaton::TotalVolume *volume, U material, float distance)
        : Process(volume, material, distance), state(volume->getCellCount())
    {
    }
    std::vector<std::array<float, 4>> state;

protected:
    void finishStrip(SurfaceFrontProcess::Strip &strip) override
    {
        const std::size_t nyz = std::size_t(this->ny) * this->nz;
        for (std::size_t i = strip.xBegin * nyz; i < strip.xEnd * nyz; ++i) {
            const SurfaceFrontProcess::Offset offset = this->getOffset(i);
            state[i] = {this->isFixed(i) ? 1.0f : 0.0f, offset.x, offset.y, offset.z};
        }
    }
};

template <class Process>
Result runRecorded(Model::Automaton::TotalVolume &volume, U material, float distance, unsigned strips,
                   Util::IProgress *progress)
{
    Recording<Process> process(&volume, material, distance);
    process.setStripCount(strips);
    process.setProgress(progress);
    process.run();
    return {volume.materialIds(), std::move(process.state), process.getStepsDone(), process.getStepCount(),
            process.getStripsUsed()};
}

Result runOn(Model::Automaton::TotalVolume &volume, Mode mode, U material, float distance, unsigned strips,
             Util::IProgress *progress = nullptr)
{
    if (mode == Mode::Deposit)
        return runRecorded<Core::Operations::IsotropicFilmDeposition>(volume, material, distance, strips, progress);
    return runRecorded<Core::Operations::IsotropicFilmEtching>(volume, material, distance, strips, progress);
}

Result runProcess(const Grid &g, Mode mode, U material, float distance, unsigned strips,
                  Util::IProgress *progress = nullptr)
{
    Model::Automaton::TotalVolume volume(g.nx, g.ny, g.nz, g.cx, g.cy, g.cz, Util::Vector3D(), g.ids);
    return runOn(volume, mode, material, distance, strips, progress);
}

class ProgressLog : public Util::IProgress
{
public:
    void setProgress(unsigned long long done, unsigned long long total) override { calls.push_back({done, total}); }
    std::vector<std::pair<unsigned long long, unsigned long long>> calls;
};

} // namespace

Q_DECLARE_METATYPE(Grid)
Q_DECLARE_METATYPE(Mode)
Q_DECLARE_METATYPE(std::vector<U>)

class TestSurfaceFront : public QObject
{
    Q_OBJECT

private slots:
    void stripsMatchSingleStrip_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<uint>("material");
        QTest::addColumn<float>("distance");
        QTest::newRow("deposit 2 x 1 x 0.5") << floorGrid(5, 12, 10, 14, 0.06, 2, 2, 1, 0.5f) << Mode::Deposit << 4u << 3.0f;
        QTest::newRow("etch 0.5 x 1 x 2") << floorGrid(10, 12, 12, 12, 0.6, 3, 0.5f, 1, 2) << Mode::Etch << 1u << 2.5f;
    }

    // A run cut into strips equals the single-strip run bit for bit (material,
    // fixed mark and offsets).
    void stripsMatchSingleStrip()
    {
        QFETCH(Grid, grid);
        QFETCH(Mode, mode);
        QFETCH(uint, material);
        QFETCH(float, distance);
        const Result single = runProcess(grid, mode, material, distance, 1);
        QVERIFY(single.ids != grid.ids); // the case does something
        for (const unsigned strips : {2u, 3u, 7u}) {
            const Result result = runProcess(grid, mode, material, distance, strips);
            QCOMPARE(result.stripsUsed, grid.nx / strips >= 2 ? strips : 1u);
            QCOMPARE(result.ids, single.ids);
            QVERIFY(std::memcmp(result.state.data(), single.state.data(), single.state.size() * sizeof(single.state[0])) == 0);
        }
    }

    void knownResults_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<uint>("material");
        QTest::addColumn<float>("distance");
        QTest::addColumn<std::vector<U>>("expected");

        const Grid random = floorGrid(21, 12, 10, 9, 0.15);
        QTest::newRow("t below cell size") << random << Mode::Deposit << 2u << 0.99f << random.ids;

        const Grid empty = shaped(9, 8, 7, [](U, U, U, U) { return 0u; });
        QTest::newRow("empty volume") << empty << Mode::Deposit << 1u << 5.0f << empty.ids;

        // Material 2 entirely wrapped in material 1: no empty neighbour.
        const Grid covered = shaped(8, 8, 8, [](U x, U y, U z, U) {
            if (x < 1 || x >= 7 || y < 1 || y >= 7 || z >= 5)
                return 0u;
            return x > 1 && x < 6 && y > 1 && y < 6 && z < 4 ? 2u : 1u;
        });
        QTest::newRow("etch covered material") << covered << Mode::Etch << 2u << 6.0f << covered.ids;
    }

    void knownResults()
    {
        QFETCH(Grid, grid);
        QFETCH(Mode, mode);
        QFETCH(uint, material);
        QFETCH(float, distance);
        QFETCH(std::vector<U>, expected);
        const Result result = runProcess(grid, mode, material, distance, 3);
        QCOMPARE(result.ids, expected);
        if (std::all_of(grid.ids.begin(), grid.ids.end(), [](U id) { return id == 0; }))
            QCOMPARE(result.stepsDone, std::uint64_t(0)); // nothing to start from: no step runs
    }

    void hugeDistanceStopsEarly_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<Mode>("mode");
        QTest::newRow("deposit") << floorGrid(41, 24, 20, 16, 0.04) << Mode::Deposit;
        QTest::newRow("etch") << floorGrid(42, 24, 20, 16, 0.9, 4) << Mode::Etch;
    }

    void hugeDistanceStopsEarly()
    {
        QFETCH(Grid, grid);
        QFETCH(Mode, mode);
        ProgressLog progress;
        QElapsedTimer timer;
        timer.start();
        const Result result = runProcess(grid, mode, 1, 1e9f, 3, &progress);
        QVERIFY(timer.elapsed() < 20000);
        QCOMPARE(result.stepCount, std::uint64_t(1732050809));
        QVERIFY(result.stepsDone > 0);
        QVERIFY(result.stepsDone < 200);
        QVERIFY(!progress.calls.empty());
        QCOMPARE(progress.calls.back(), std::make_pair(1732050809ull, 1732050809ull));
        for (std::size_t i = 1; i < progress.calls.size(); ++i)
            QVERIFY(progress.calls[i].first >= progress.calls[i - 1].first);
        // Just beyond the volume's diagonal every reachable cell is within reach.
        const float diagonal = std::sqrt(float(grid.nx * grid.nx + grid.ny * grid.ny + grid.nz * grid.nz)) + 1.0f;
        QCOMPARE(result.ids, runProcess(grid, mode, 1, diagonal, 1).ids);
    }

    void agreementWithExactDistance_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<float>("distance");
        // Cell sizes are exact binary fractions, so the front's float sums and
        // the reference's doubles hold the same distances.
        QTest::newRow("flat top, t = 1") << shaped(8, 7, 6, [](U, U, U z, U) { return z < 2 ? 1u : 0u; }) << Mode::Deposit
                                         << 1.0f;
        // One seed, t = 1: its six face neighbours fill, the diagonal ones stay empty (sqrt 2 > 1).
        QTest::newRow("one seed, t = 1") << shaped(5, 5, 5, [](U x, U y, U z, U) { return U(x == 2 && y == 2 && z == 2); })
                                         << Mode::Deposit << 1.0f;
        QTest::newRow("sparse seeds, 0.5 x 1 x 0.75, t = 4.5")
            << floorGrid(54, 24, 20, 30, 0.003, 0, 0.5f, 1.0f, 0.75f) << Mode::Deposit << 4.5f;
        QTest::newRow("sharp corners: block and step, t = 6") << shaped(26, 24, 22, [](U x, U y, U z, U) {
            return U((x >= 8 && x < 14 && y >= 7 && y < 15 && z >= 6 && z < 12) || (x < 5 && y < 4 && z < 20));
        }) << Mode::Deposit << 6.0f;
        QTest::newRow("etch into a block with a sharp pit, t = 5") << shaped(24, 24, 20, [](U x, U y, U z, U) {
            return U(z < 16 && !(x >= 10 && x < 12 && y >= 10 && y < 12 && z >= 12));
        }) << Mode::Etch << 5.0f;
        Grid pores = floorGrid(8, 26, 20, 18, 0.9, 0, 0.5f, 0.75f, 1.0f);
        pores.ids = pores.mapped([](U, U, U, U id) { return U(id != 0); });
        QTest::newRow("etch random pores, 0.5 x 0.75 x 1, t = 2.5") << pores << Mode::Etch << 2.5f;
    }

    // Deposition fills, and etching empties, exactly the cells whose centre lies
    // within the distance of the nearest source cell's centre (non-empty cells
    // for deposition, empty ones for etching): the Euclidean distance by brute
    // force.
    void agreementWithExactDistance()
    {
        QFETCH(Grid, grid);
        QFETCH(Mode, mode);
        QFETCH(float, distance);
        const U film = 9;
        const std::vector<U> result = runProcess(grid, mode, mode == Mode::Deposit ? film : 1u, distance, 2).ids;
        const auto isSource = [mode](U id) { return mode == Mode::Deposit ? id != 0 : id == 0; };
        std::vector<std::array<double, 3>> sources;
        grid.forEach([&](U x, U y, U z, std::size_t i) {
            if (isSource(grid.ids[i]))
                sources.push_back({x * double(grid.cx), y * double(grid.cy), z * double(grid.cz)});
        });
        int differing = 0, changed = 0;
        grid.forEach([&](U x, U y, U z, std::size_t i) {
            double nearest = std::numeric_limits<double>::max();
            for (const auto &s : sources) {
                const double dx = x * double(grid.cx) - s[0], dy = y * double(grid.cy) - s[1],
                             dz = z * double(grid.cz) - s[2];
                nearest = std::min(nearest, dx * dx + dy * dy + dz * dz);
            }
            const U id = grid.ids[i], filled = mode == Mode::Deposit ? film : 0u;
            const U expected = !isSource(id) && nearest <= double(distance) * distance ? filled : id;
            changed += expected != id;
            differing += result[i] != expected;
        });
        QVERIFY(changed > 0);
        QCOMPARE(differing, 0);
    }

    void loadedVolumeGivesSameCells_data()
    {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<uint>("material");
        QTest::addColumn<float>("distance");
        QTest::newRow("deposit") << Mode::Deposit << 3u << 2.5f;
        QTest::newRow("etch") << Mode::Etch << 1u << 2.0f;
    }

    // A volume read from a document gives the cells of the volume it was saved from.
    void loadedVolumeGivesSameCells()
    {
        QFETCH(Mode, mode);
        QFETCH(uint, material);
        QFETCH(float, distance);
        const Grid grid = floorGrid(11, 23, 17, 19, 0.1, 5, 0.5f, 1.0f, 0.75f);
        QTemporaryDir dir;
        Model::Persistence::ArchiverRegistry registry(dir.path());
        const QString path = dir.filePath(QStringLiteral("field.kst"));
        Model::Document original, document;
        original.addObject(TestSupport::volumeOf(grid));
        QVERIFY(Model::Persistence::DocumentWriter(registry).save(original, path).ok);
        QVERIFY(Model::Persistence::DocumentReader(registry).load(document, path).ok);
        auto loaded = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(document.getAllObjects().value(0));
        QVERIFY(loaded && loaded->materialIds() == grid.ids);
        const Result built = runProcess(grid, mode, material, distance, 1);
        QVERIFY(built.ids != grid.ids);
        QCOMPARE(runOn(*loaded, mode, material, distance, 1).ids, built.ids);
    }
};

QTEST_GUILESS_MAIN(TestSurfaceFront)
#include "tst_surfacefront.moc"

// What a volume holds per cell at rest, at the peak of a process step and
// while a document loads, counted allocation by allocation: every heap block
// through this program's operator new, and the blocks taken straight from
// the kernel through their own counter. The volumes are small, so the
// fixed-size parts (a painter, a reader's buffers) weigh a little; a second
// array per cell or working storage kept after a run shows at once. Last,
// the budget a step may claim, as read from the system's figures.

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Util/LargeArray.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>

#include <malloc.h>

namespace {

std::atomic<std::int64_t> heapLive{0};
std::atomic<std::int64_t> heapPeak{0};

void noteAllocation(void *block)
{
    const std::int64_t now = heapLive += std::int64_t(malloc_usable_size(block));
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}

void *allocate(std::size_t bytes)
{
    void *block = std::malloc(bytes ? bytes : 1);
    if (!block)
        throw std::bad_alloc();
    noteAllocation(block);
    return block;
}

void release(void *block) noexcept
{
    if (!block)
        return;
    heapLive -= std::int64_t(malloc_usable_size(block));
    std::free(block);
}

} // namespace

void *operator new(std::size_t bytes) { return allocate(bytes); }
void *operator new[](std::size_t bytes) { return allocate(bytes); }
void operator delete(void *block) noexcept { release(block); }
void operator delete[](void *block) noexcept { release(block); }
void operator delete(void *block, std::size_t) noexcept { release(block); }
void operator delete[](void *block, std::size_t) noexcept { release(block); }

namespace {

using Model::Automaton::MemoryBudget;
using Model::Automaton::TotalVolume;
using Figures = MemoryBudget::SystemFigures;

constexpr std::uint64_t MiB = std::uint64_t(1) << 20;
constexpr std::uint64_t GiB = std::uint64_t(1) << 30;

const QByteArray meminfo8G = "MemTotal:       16000000 kB\nMemFree:         1000000 kB\n"
                             "MemAvailable:    8388608 kB\nBuffers:          100 kB\n";

Figures figures(const QByteArray &meminfo, std::uint64_t addressLimit = 0, const QByteArray &statm = QByteArray(),
                QVector<Figures::Cgroup> cgroups = {}, std::uint64_t physical = 0)
{
    Figures f;
    f.meminfo = meminfo;
    f.addressLimit = addressLimit;
    f.statm = statm;
    f.cgroups = std::move(cgroups);
    f.physical = physical;
    return f;
}

// Bytes held now, heap and mappings together.
double held()
{
    return double(heapLive.load()) + double(Util::LargeAllocation::mappedBytesHeld());
}

// Starts a new peak at what is held now.
void resetPeak()
{
    heapPeak = heapLive.load();
    Util::LargeAllocation::resetMappedBytesPeak();
}

// The two peaks may fall at different moments; their sum bounds the real one.
double peak()
{
    return double(heapPeak.load()) + double(Util::LargeAllocation::mappedBytesPeak());
}

// A silicon slab of 16 layers with square pillars on it (every other 8 x 8
// cells), so a film grows over steps, walls and floors; without pillars a
// slab of half the height with a 16-cell wide trench across it.
std::shared_ptr<TotalVolume> pillarField(std::uint32_t n, std::uint32_t nz, bool pillars = true)
{
    auto volume = std::make_shared<TotalVolume>(n, n, nz, 1.f, 1.f, 1.f, Util::Vector3D(), TotalVolume::Cells::Empty);
    const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y) {
            const bool pillar = (x / 8) % 2 == 0 && (y / 8) % 2 == 0;
            const bool trench = x >= n / 2 && x < n / 2 + 16;
            const std::uint32_t top = pillars ? (pillar ? nz / 2 : 16u) : (trench ? nz / 4 : nz / 2);
            for (std::uint32_t z = 0; z < top; ++z)
                lock.writableCells()[volume->index(x, y, z)].material = 1;
        }
    return volume;
}

} // namespace

Q_DECLARE_METATYPE(Figures)

class TestMemoryAtRest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Model::Materials::MaterialFactory::getInstance(); }
    void volumeAtRest_data()
    {
        QTest::addColumn<uint>("n");
        QTest::newRow("64^3 on the heap") << 64u;
        QTest::newRow("128^3 mapped from the kernel") << 128u;
    }

    void volumeAtRest()
    {
        QFETCH(uint, n);
        const double before = held();
        const auto volume = pillarField(n, n);
        const double cells = double(volume->getCellCount());
        QVERIFY2((held() - before) / cells < 4.05, qPrintable(QString::number((held() - before) / cells)));
        // A copy is one more volume, no more.
        std::unique_ptr<Model::Object> copy(volume->clone());
        QVERIFY((held() - before) / cells < 8.1);
    }

    void processPeakAndRest_data()
    {
        QTest::addColumn<bool>("deposit");
        QTest::addColumn<float>("distance");
        QTest::newRow("deposit 6 um") << true << 6.f;
        QTest::newRow("deposit 200 um: the front fills every open cell") << true << 200.f;
        QTest::newRow("etch 6 um") << false << 6.f;
    }

    // At its peak a step holds under 12 bytes per cell, the volume's 4 included,
    // on a wafer-like volume (the front's lists grow with the surface, which in
    // a pillar field this small is a tenth of all cells); afterwards only the
    // volume's 4 remain.
    void processPeakAndRest()
    {
        QFETCH(bool, deposit);
        QFETCH(float, distance);
        const double before = held();
        const auto volume = pillarField(128, 128, false);
        const double cells = double(volume->getCellCount());
        resetPeak();
        if (deposit)
            Core::Operations::IsotropicFilmDeposition(volume.get(), 3, distance).run();
        else
            Core::Operations::IsotropicFilmEtching(volume.get(), 1, distance).run();
        const double peakPerCell = (peak() - before) / cells;
        QVERIFY2(peakPerCell < 12.0, qPrintable(QString::number(peakPerCell)));
        QVERIFY2((held() - before) / cells < 4.05, qPrintable(QString::number((held() - before) / cells)));
    }

    // A load holds the new volume and a few chunks of text, whatever the text's size.
    void loadPeakAndRest()
    {
        QTemporaryDir folder;
        Model::Persistence::ArchiverRegistry registry(folder.path());
        const QString path = folder.filePath(QStringLiteral("field.kst"));
        double cells = 0;
        {
            Model::Document document;
            const auto volume = pillarField(64, 64);
            cells = double(volume->getCellCount());
            document.addObject(volume);
            QVERIFY(Model::Persistence::DocumentWriter(registry).save(document, path).ok);
        }
        const double before = held();
        resetPeak();
        {
            Model::Document document;
            Model::Persistence::DocumentReader reader(registry);
            reader.setChunkBytes(64 << 10);
            QVERIFY(reader.load(document, path).ok);
            const double volumeBytes = 4.0 * cells;
            QVERIFY2((peak() - before - volumeBytes) / cells < 2.0,
                     qPrintable(QString::number((peak() - before - volumeBytes) / cells)));
            QVERIFY2((held() - before) / cells < 4.05, qPrintable(QString::number((held() - before) / cells)));
        }
    }

    // In a run of steps the etch takes over the deposition's working memory
    // without mapping more; when the run ends the spares go, leaving the volume.
    void sparesServeTheNextStep()
    {
        const double before = held();
        const auto volume = pillarField(128, 128, false);
        const double cells = double(volume->getCellCount());
        {
            const Util::LargeAllocation::KeepSpares run;
            Core::Operations::IsotropicFilmDeposition(volume.get(), 3, 6.f).run();
            QVERIFY(Util::LargeAllocation::spareBytes() >= 6 * volume->getCellCount());
            const std::uint64_t mappedBefore = Util::LargeAllocation::mappedBytesHeld();
            Util::LargeAllocation::resetMappedBytesPeak();
            Core::Operations::IsotropicFilmEtching(volume.get(), 3, 3.f).run();
            QCOMPARE(Util::LargeAllocation::mappedBytesPeak(), mappedBefore);
        }
        QCOMPARE(Util::LargeAllocation::spareBytes(), std::uint64_t(0));
        QVERIFY2((held() - before) / cells < 4.05, qPrintable(QString::number((held() - before) / cells)));
    }

    // A block of another size finds the spares given back before it is mapped,
    // and a block that must read as zeros never takes a spare.
    void sparesNeverAddToAPeak()
    {
        using Array = Util::LargeArray<std::uint32_t>;
        const std::size_t words = Util::LargeAllocation::mappedBytes; // 4 bytes each: 16 MiB
        const std::uint64_t base = Util::LargeAllocation::mappedBytesHeld();
        const Util::LargeAllocation::KeepSpares run;
        {
            Array first(words, Array::Start::WrittenWhole);
            first[0] = 7;
        }
        QCOMPARE(Util::LargeAllocation::spareBytes(), std::uint64_t(4 * words));
        {
            const Array zeroed(words, Array::Start::Zeroed);
            QCOMPARE(zeroed[0], 0u);
            QCOMPARE(Util::LargeAllocation::spareBytes(), std::uint64_t(0));
        }
        Util::LargeAllocation::resetMappedBytesPeak();
        {
            const Array larger(2 * words, Array::Start::Unset);
            QCOMPARE(Util::LargeAllocation::mappedBytesPeak(), base + 8 * words);
        }
        const Array same(2 * words, Array::Start::Unset);
        QCOMPARE(Util::LargeAllocation::mappedBytesHeld(), base + 8 * words);
    }

    // What the budget for a step allows, from the system's figures.
    void availableFrom_data();
    void availableFrom();
    void cgroupDirectories_data();
    void cgroupDirectories();
};

void TestMemoryAtRest::availableFrom_data()
{
    QTest::addColumn<Figures>("figures");
    QTest::addColumn<quint64>("available");
    QTest::newRow("MemAvailable alone") << figures(meminfo8G) << quint64(8 * GiB);
    QTest::newRow("no MemAvailable: the physical memory") << figures("MemTotal: 1 kB\n", 0, {}, {}, 2 * GiB)
                                                          << quint64(2 * GiB);
    QTest::newRow("nothing known") << figures(QByteArray()) << ~quint64(0);
    // 6 GiB of address space, 1.5 GiB of it (393216 pages of 4 KiB) in use.
    QTest::newRow("address-space limit below MemAvailable")
        << figures(meminfo8G, 6 * GiB, "393216 20000 3000 100 0 5000 0\n") << quint64(4 * GiB + 512 * MiB);
    QTest::newRow("address-space limit above MemAvailable") << figures(meminfo8G, 64 * GiB, "1000 1 1 1 0 1 0")
                                                            << quint64(8 * GiB);
    QTest::newRow("address space used beyond the limit") << figures(meminfo8G, GiB, "524288 1 1 1 0 1 0")
                                                         << quint64(0);
    QTest::newRow("address-space limit, statm unreadable") << figures(meminfo8G, GiB, "garbage") << quint64(GiB);
    QTest::newRow("cgroup v2 limit") << figures(meminfo8G, 0, {}, {{"2147483648\n", "536870912\n"}})
                                     << quint64(GiB + 512 * MiB);
    QTest::newRow("cgroup v2 without limit") << figures(meminfo8G, 0, {}, {{"max\n", "536870912\n"}})
                                             << quint64(8 * GiB);
    QTest::newRow("cgroup v1 unlimited") << figures(meminfo8G, 0, {}, {{"9223372036854771712\n", "1000\n"}})
                                         << quint64(8 * GiB);
    QTest::newRow("cgroup usage above its limit") << figures(meminfo8G, 0, {}, {{"1000", "2000"}}) << quint64(0);
    QTest::newRow("cgroup without usage file") << figures(meminfo8G, 0, {}, {{"1073741824", ""}}) << quint64(GiB);
    QTest::newRow("cgroup v2: inactive file cache is given back")
        << figures(meminfo8G, 0, {}, {{"2147483648", "2147483648", "anon 536870912\nfile 1610612736\ninactive_file 1073741824\n"}})
        << quint64(GiB);
    QTest::newRow("cgroup v1: the hierarchy's total inactive file cache")
        << figures(meminfo8G, 0, {}, {{"2147483648", "2147483648", "inactive_file 1\ntotal_inactive_file 536870912\n"}})
        << quint64(512 * MiB);
    QTest::newRow("cache beyond the use counts as none used")
        << figures(meminfo8G, 0, {}, {{"1073741824", "100", "inactive_file 5000\n"}}) << quint64(GiB);
    QTest::newRow("a parent cgroup limits more than the own one")
        << figures(meminfo8G, 0, {}, {{"max", "100"}, {"4294967296", "3221225472"}}) << quint64(GiB);
    QTest::newRow("the least of all three")
        << figures(meminfo8G, 6 * GiB, "262144 1 1 1 0 1 0", {{"3221225472", "0"}}) << quint64(3 * GiB);
}

void TestMemoryAtRest::availableFrom()
{
    QFETCH(Figures, figures);
    QFETCH(quint64, available);
    QCOMPARE(quint64(MemoryBudget::availableFrom(figures)), available);
}

void TestMemoryAtRest::cgroupDirectories_data()
{
    QTest::addColumn<QByteArray>("selfCgroup");
    QTest::addColumn<QStringList>("directories");
    QTest::addColumn<bool>("version2");
    const QString r = QStringLiteral("/sys/fs/cgroup");
    QTest::newRow("v2 at the root") << QByteArray("0::/\n") << QStringList{r} << true;
    QTest::newRow("v2 nested") << QByteArray("0::/user.slice/app.scope\n")
                               << QStringList{r + "/user.slice/app.scope", r + "/user.slice", r} << true;
    QTest::newRow("v1 memory controller")
        << QByteArray("12:pids:/a\n5:cpu,cpuacct:/a\n4:memory:/docker/abc\n1:name=systemd:/a\n")
        << QStringList{r + "/memory/docker/abc", r + "/memory/docker", r + "/memory"} << false;
    QTest::newRow("hybrid: the v1 memory controller wins") << QByteArray("0::/x\n7:memory:/y\n")
                                                          << QStringList{r + "/memory/y", r + "/memory"} << false;
    QTest::newRow("no memory controller") << QByteArray("3:cpu:/a\n") << QStringList() << false;
    QTest::newRow("empty") << QByteArray() << QStringList() << false;
    QTest::newRow("a path that climbs") << QByteArray("0::/../../etc\n") << QStringList{r + "/etc", r} << true;
}

void TestMemoryAtRest::cgroupDirectories()
{
    QFETCH(QByteArray, selfCgroup);
    QFETCH(QStringList, directories);
    QFETCH(bool, version2);
    bool v2 = !version2;
    QCOMPARE(MemoryBudget::cgroupDirectories(selfCgroup, QStringLiteral("/sys/fs/cgroup"), v2), directories);
    if (!directories.isEmpty())
        QCOMPARE(v2, version2);
}

QTEST_GUILESS_MAIN(TestMemoryAtRest)
#include "tst_memoryatrest.moc"

// What a volume holds per cell at rest, at the peak of a process step and
// while a document loads, counted allocation by allocation: every heap block
// through this program's operator new, and the blocks taken straight from
// the kernel through their own counter. The volumes are small, so the
// fixed-size parts (a painter, a reader's buffers) weigh a little; a second
// array per cell or working storage kept after a run shows at once.

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
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

using Model::Automaton::TotalVolume;

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
};

QTEST_GUILESS_MAIN(TestMemoryAtRest)
#include "tst_memoryatrest.moc"

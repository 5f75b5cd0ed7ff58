#include "LargeArray.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>

#include <atomic>
#include <cstring>
#include <vector>

#include <sys/mman.h>

namespace Util {

namespace {

constexpr std::size_t hugePage = std::size_t(2) << 20;

std::atomic<std::uint64_t> mapped{0};
std::atomic<std::uint64_t> mappedPeak{0};

struct Spare
{
    void *block;
    std::size_t length;
};

// The spares and the number of KeepSpares alive, under one mutex.
struct SparePool
{
    QMutex mutex;
    std::vector<Spare> blocks;
    std::uint64_t bytes = 0;
    int keepers = 0;

    // Takes a spare of exactly `length` bytes; null when there is none.
    void *take(std::size_t length)
    {
        for (auto it = blocks.begin(); it != blocks.end(); ++it) {
            if (it->length == length) {
                void *block = it->block;
                blocks.erase(it);
                bytes -= length;
                return block;
            }
        }
        return nullptr;
    }

    // Gives every spare back; the caller holds the mutex.
    void releaseAll()
    {
        for (const Spare &spare : blocks) {
            munmap(spare.block, spare.length);
            mapped -= spare.length;
        }
        blocks.clear();
        bytes = 0;
    }
};

SparePool &pool()
{
    static SparePool instance;
    return instance;
}

std::size_t roundedUp(std::size_t bytes, std::size_t unit)
{
    return (bytes + unit - 1) / unit * unit;
}

} // namespace

bool LargeAllocation::hugePagesWanted()
{
    static const bool wanted = [] {
        const QByteArray choice = qgetenv("KESTRUM_HUGE_PAGES");
        if (!choice.isEmpty())
            return choice == "1";
        QFile defrag(QStringLiteral("/sys/kernel/mm/transparent_hugepage/defrag"));
        if (!defrag.open(QIODevice::ReadOnly))
            return false;
        // The setting in use is the one in brackets.
        const QByteArray text = defrag.readAll();
        return text.contains("[defer]") || text.contains("[never]");
    }();
    return wanted;
}

void *LargeAllocation::allocate(std::size_t bytes, bool zeroed, Touch touch)
{
    if (bytes < mappedBytes) {
        void *block = ::operator new(bytes);
        if (zeroed)
            std::memset(block, 0, bytes);
        return block;
    }
    if (bytes > std::size_t(-1) - 2 * hugePage)
        throw std::bad_alloc();
    const std::size_t length = roundedUp(bytes, hugePage);
    {
        SparePool &spares = pool();
        const QMutexLocker lock(&spares.mutex);
        // A spare holds what its last owner left there: it serves only
        // blocks their owner writes before reading.
        if (!zeroed) {
            if (void *block = spares.take(length))
                return block;
        }
        spares.releaseAll();
    }
    // Map a huge page more than needed and trim both ends, so the block
    // starts on a huge-page boundary and every 2 MiB of it can be one page.
    const std::size_t reserved = length + hugePage;
    const bool huge = hugePagesWanted();
    // Pages are faulted in when mapped only without huge pages: the kernel
    // would fault them in as ordinary pages before the advice could apply.
    const int populate = touch == Touch::Whole && !huge ? MAP_POPULATE : 0;
    void *raw = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | populate, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = roundedUp(start, hugePage);
    if (aligned > start)
        munmap(raw, aligned - start);
    const std::size_t tail = reserved - (aligned - start) - length;
    if (tail > 0)
        munmap(reinterpret_cast<void *>(aligned + length), tail);
    void *block = reinterpret_cast<void *>(aligned);
    // Where the system offers huge pages at all; elsewhere the call fails
    // harmlessly and the block stays in ordinary pages.
    if (huge)
        madvise(block, length, MADV_HUGEPAGE);
    const std::uint64_t now = mapped += length;
    std::uint64_t peak = mappedPeak.load();
    while (now > peak && !mappedPeak.compare_exchange_weak(peak, now)) {
    }
    return block;
}

void LargeAllocation::release(void *block, std::size_t bytes) noexcept
{
    if (!block)
        return;
    if (bytes < mappedBytes) {
        ::operator delete(block);
        return;
    }
    const std::size_t length = roundedUp(bytes, hugePage);
    {
        SparePool &spares = pool();
        const QMutexLocker lock(&spares.mutex);
        if (spares.keepers > 0) {
            spares.blocks.push_back({block, length});
            spares.bytes += length;
            return;
        }
    }
    munmap(block, length);
    mapped -= length;
}

std::uint64_t LargeAllocation::spareBytes()
{
    SparePool &spares = pool();
    const QMutexLocker lock(&spares.mutex);
    return spares.bytes;
}

void LargeAllocation::releaseSpares()
{
    SparePool &spares = pool();
    const QMutexLocker lock(&spares.mutex);
    spares.releaseAll();
}

LargeAllocation::KeepSpares::KeepSpares()
{
    SparePool &spares = pool();
    const QMutexLocker lock(&spares.mutex);
    ++spares.keepers;
}

LargeAllocation::KeepSpares::~KeepSpares()
{
    SparePool &spares = pool();
    const QMutexLocker lock(&spares.mutex);
    if (--spares.keepers == 0)
        spares.releaseAll();
}

std::uint64_t LargeAllocation::mappedBytesHeld()
{
    return mapped.load();
}

std::uint64_t LargeAllocation::mappedBytesPeak()
{
    return mappedPeak.load();
}

void LargeAllocation::resetMappedBytesPeak()
{
    mappedPeak = mapped.load();
}

} // namespace Util

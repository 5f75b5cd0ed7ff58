#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include <cstddef>
#include <cstdint>

namespace Model {
namespace Automaton {

// The guard against volumes and steps that cannot fit: it compares what a
// volume of a given size needs at its peak, or what a step needs beside the
// volume it works on, with the memory this process can still take now,
// before anything is allocated. That is the least of
//   - MemAvailable of /proc/meminfo (the physical memory where that is not
//     known);
//   - the address-space limit (RLIMIT_AS) less the address space in use
//     (/proc/self/statm);
//   - the limit of each memory cgroup the process is in, from its own up to
//     the root (memory.max less memory.current, or memory.limit_in_bytes
//     less memory.usage_in_bytes), where one is set. The use counts without
//     the inactive file cache of memory.stat, which the kernel gives back
//     before it fails an allocation.
class MemoryBudget
{
public:
    // What a volume holds per cell: its material id. A process checks its
    // own working memory beside that before it runs (claim(), fitsBytes()),
    // so a volume that fits at rest is refused only the steps that do not.
    static constexpr std::size_t volumeBytesPerCell = 4;

    // What the system tells, as read from its files; availableFrom() turns it
    // into bytes, so it can be checked on given texts.
    struct SystemFigures
    {
        struct Cgroup
        {
            QByteArray limit; // "max", or bytes
            QByteArray usage; // bytes
            QByteArray stat = {}; // memory.stat: "inactive_file <bytes>" lines
        };
        QByteArray meminfo;
        QByteArray statm;
        std::uint64_t pageSize = 4096;
        // The soft RLIMIT_AS; 0 when there is none.
        std::uint64_t addressLimit = 0;
        QVector<Cgroup> cgroups;
        // Physical memory, used when meminfo holds no MemAvailable; 0 unknown.
        std::uint64_t physical = 0;
    };
    static std::uint64_t availableFrom(const SystemFigures &figures);
    // The directories of the memory cgroups named by /proc/self/cgroup,
    // below `root` (normally /sys/fs/cgroup), the process's own first and
    // then each parent up to the hierarchy's root; `version2` says which
    // file names they hold.
    static QStringList cgroupDirectories(const QByteArray &selfCgroup, const QString &root, bool &version2);

    // Bytes available now (spare blocks included, see Util::LargeAllocation),
    // or the limit set for tests.
    static std::uint64_t availableBytes();
    // True when a volume of nx * ny * nz cells fits into availableBytes().
    static bool fits(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz);
    // Throws std::bad_alloc when fits() is false.
    static void check(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz);
    // Bytes `cells` cells take at `bytesPerCell` (saturating).
    static std::uint64_t bytesFor(std::uint64_t cells, std::uint32_t bytesPerCell);
    // True when `bytes` more fit into availableBytes() (a step's working
    // memory beside the volume it works on).
    static bool fitsBytes(std::uint64_t bytes);

    // Called by an algorithm just before it allocates a large working store
    // of `bytes`: throws std::bad_alloc when they cannot be had (or when a
    // test asked for a failure), before anything is allocated or written.
    static void claim(std::uint64_t bytes);

    // Pretends that `bytes` are available (tests); 0 goes back to the system's figure.
    static void setAvailableBytesForTesting(std::uint64_t bytes);
    // Makes the next claim() fail, whatever it asks for (tests); false disarms.
    static void failNextClaimForTesting(bool fail = true);
};

} // namespace Automaton
} // namespace Model

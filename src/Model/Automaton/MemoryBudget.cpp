#include "MemoryBudget.h"

#include "Util/LargeArray.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <algorithm>
#include <atomic>
#include <limits>
#include <new>

#include <sys/resource.h>
#include <unistd.h>

namespace Model {
namespace Automaton {

namespace {

constexpr std::uint64_t unlimited = std::numeric_limits<std::uint64_t>::max();

std::atomic<std::uint64_t> testLimit{0};
std::atomic<bool> failClaim{false};

// A number at the start of `text` (after blanks); false when there is none.
bool leadingNumber(const QByteArray &text, std::uint64_t &value)
{
    const QByteArray word = text.simplified().split(' ').value(0);
    bool ok = false;
    value = word.toULongLong(&ok);
    return ok;
}

// MemAvailable in bytes, 0 when the text does not say.
std::uint64_t memAvailable(const QByteArray &meminfo)
{
    for (const QByteArray &line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        std::uint64_t kib = 0;
        return leadingNumber(line.mid(13), kib) ? kib * 1024 : 0;
    }
    return 0;
}

// The inactive file cache a cgroup's memory.stat reports ("inactive_file"
// in v2, "total_inactive_file" in v1, which covers its children); 0 when
// it says nothing.
std::uint64_t inactiveFileCache(const QByteArray &stat)
{
    std::uint64_t own = 0;
    for (const QByteArray &line : stat.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() != 2)
            continue;
        bool ok = false;
        const std::uint64_t bytes = parts[1].toULongLong(&ok);
        if (!ok)
            continue;
        if (parts[0] == "total_inactive_file")
            return bytes;
        if (parts[0] == "inactive_file")
            own = bytes;
    }
    return own;
}

// What is left below a limit, 0 when the use already reaches it.
std::uint64_t leftBelow(std::uint64_t limit, std::uint64_t used)
{
    return limit > used ? limit - used : 0;
}

// Whole small files of /proc and /sys (they report a size of 0, so they are
// read to their end); empty when missing.
QByteArray readAll(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

MemoryBudget::SystemFigures systemFigures()
{
    MemoryBudget::SystemFigures figures;
    figures.meminfo = readAll(QStringLiteral("/proc/meminfo"));
    figures.statm = readAll(QStringLiteral("/proc/self/statm"));
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pageSize > 0)
        figures.pageSize = std::uint64_t(pageSize);
    const long pages = sysconf(_SC_PHYS_PAGES);
    if (pages > 0)
        figures.physical = std::uint64_t(pages) * figures.pageSize;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        figures.addressLimit = std::uint64_t(limit.rlim_cur);

    bool version2 = false;
    const QStringList directories = MemoryBudget::cgroupDirectories(readAll(QStringLiteral("/proc/self/cgroup")),
                                                                    QStringLiteral("/sys/fs/cgroup"), version2);
    const QString limitFile = version2 ? QStringLiteral("/memory.max") : QStringLiteral("/memory.limit_in_bytes");
    const QString usageFile = version2 ? QStringLiteral("/memory.current") : QStringLiteral("/memory.usage_in_bytes");
    for (const QString &directory : directories) {
        const QByteArray limitText = readAll(directory + limitFile);
        if (!limitText.isEmpty())
            figures.cgroups.push_back(
                {limitText, readAll(directory + usageFile), readAll(directory + QStringLiteral("/memory.stat"))});
    }
    return figures;
}

} // namespace

std::uint64_t MemoryBudget::availableFrom(const SystemFigures &figures)
{
    std::uint64_t available = memAvailable(figures.meminfo);
    if (available == 0)
        available = figures.physical != 0 ? figures.physical : unlimited;
    if (figures.addressLimit != 0) {
        // The first field of statm is the address space in use, in pages;
        // unreadable, the whole limit counts as free.
        std::uint64_t pages = 0;
        const std::uint64_t used = leadingNumber(figures.statm, pages) ? pages * figures.pageSize : 0;
        available = std::min(available, leftBelow(figures.addressLimit, used));
    }
    for (const SystemFigures::Cgroup &group : figures.cgroups) {
        std::uint64_t limit = 0;
        // "max" (or anything that is no number) sets no limit.
        if (!leadingNumber(group.limit, limit))
            continue;
        std::uint64_t usage = 0;
        leadingNumber(group.usage, usage);
        usage -= std::min(usage, inactiveFileCache(group.stat));
        available = std::min(available, leftBelow(limit, usage));
    }
    return available;
}

QStringList MemoryBudget::cgroupDirectories(const QByteArray &selfCgroup, const QString &root, bool &version2)
{
    // Lines "id:controllers:path": "0::/path" is the unified (v2) hierarchy;
    // a v1 line lists "memory" among its controllers, whose files then lie
    // under <root>/memory.
    QString path;
    QString base;
    version2 = false;
    for (const QByteArray &line : selfCgroup.split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(':');
        if (parts.size() < 3)
            continue;
        const QString where = QString::fromUtf8(line.trimmed().mid(parts[0].size() + parts[1].size() + 2));
        if (parts[0] == "0" && parts[1].isEmpty()) {
            if (base.isEmpty()) {
                path = where;
                base = root;
                version2 = true;
            }
        } else if (parts[1].split(',').contains("memory")) {
            // A v1 memory controller decides the limit over a v2 line.
            path = where;
            base = root + QStringLiteral("/memory");
            version2 = false;
            break;
        }
    }
    if (base.isEmpty())
        return {};
    QStringList directories;
    QStringList segments = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // ".." never climbs out of the hierarchy.
    segments.removeAll(QStringLiteral(".."));
    for (;;) {
        directories << (segments.isEmpty() ? base : base + QLatin1Char('/') + segments.join(QLatin1Char('/')));
        if (segments.isEmpty())
            break;
        segments.removeLast();
    }
    return directories;
}

std::uint64_t MemoryBudget::availableBytes()
{
    const std::uint64_t limit = testLimit.load();
    if (limit != 0)
        return limit;
    // Spare blocks kept between the steps of a run are this program's to
    // give back: a step that needs the memory takes them over or frees them.
    return availableFrom(systemFigures()) + Util::LargeAllocation::spareBytes();
}

bool MemoryBudget::fits(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    // The product of three 32-bit counts fits a double closely enough for
    // this comparison, and it cannot overflow.
    const double bytes = double(nx) * double(ny) * double(nz) * double(volumeBytesPerCell);
    return bytes <= double(availableBytes());
}

void MemoryBudget::check(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    if (!fits(nx, ny, nz))
        throw std::bad_alloc();
}

std::uint64_t MemoryBudget::bytesFor(std::uint64_t cells, std::uint32_t bytesPerCell)
{
    if (bytesPerCell != 0 && cells > unlimited / bytesPerCell)
        return unlimited;
    return cells * bytesPerCell;
}

bool MemoryBudget::fitsBytes(std::uint64_t bytes)
{
    return bytes == 0 || bytes <= availableBytes();
}

void MemoryBudget::claim(std::uint64_t bytes)
{
    if (failClaim.exchange(false) || bytes > availableBytes())
        throw std::bad_alloc();
}

void MemoryBudget::setAvailableBytesForTesting(std::uint64_t bytes)
{
    testLimit = bytes;
}

void MemoryBudget::failNextClaimForTesting(bool fail)
{
    failClaim = fail;
}

} // namespace Automaton
} // namespace Model

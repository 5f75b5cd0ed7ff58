#include "MemoryBudget.h"

#include <QByteArray>
#include <QFile>

#include <atomic>
#include <new>

#include <unistd.h>

namespace Model {
namespace Automaton {

namespace {

std::atomic<std::uint64_t> testLimit{0};

// MemAvailable in bytes, 0 when the system does not say.
std::uint64_t memAvailable()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // /proc files report a size of 0; read line by line.
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> parts = line.mid(13).simplified().split(' ');
        bool ok = false;
        const std::uint64_t kib = parts.value(0).toULongLong(&ok);
        return ok ? kib * 1024 : 0;
    }
    return 0;
}

} // namespace

std::uint64_t MemoryBudget::availableBytes()
{
    const std::uint64_t limit = testLimit.load();
    if (limit != 0)
        return limit;
    const std::uint64_t available = memAvailable();
    if (available != 0)
        return available;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return std::uint64_t(pages) * std::uint64_t(pageSize);
    return ~std::uint64_t(0);
}

bool MemoryBudget::fits(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    // The product of three 32-bit counts fits a double closely enough for
    // this comparison, and it cannot overflow.
    const double bytes = double(nx) * double(ny) * double(nz) * double(peakBytesPerCell);
    return bytes <= double(availableBytes());
}

void MemoryBudget::check(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    if (!fits(nx, ny, nz))
        throw std::bad_alloc();
}

void MemoryBudget::setAvailableBytesForTesting(std::uint64_t bytes)
{
    testLimit = bytes;
}

} // namespace Automaton
} // namespace Model

#include "SlabSplit.h"

#include "Util/ParallelTasks.h"

#include <QThreadPool>

#include <algorithm>

namespace Model {
namespace Automaton {

int SlabSplit::poolThreadCount()
{
    return std::max(1, QThreadPool::globalInstance()->maxThreadCount());
}

std::vector<SlabSplit::Slab> SlabSplit::split(std::uint32_t begin, std::uint32_t end,
                                              int threadCount)
{
    std::vector<Slab> slabs;
    if (end <= begin)
        return slabs;
    const std::uint32_t count = std::uint32_t(std::max(1, threadCount));
    const std::uint32_t width = (end - begin) / count;
    if (width == 0)
        return slabs;
    slabs.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t first = begin + i * width;
        slabs.push_back(Slab{first, i + 1 == count ? end : first + width});
    }
    return slabs;
}

void SlabSplit::run(const std::vector<Slab> &slabs,
                    const std::function<void(std::size_t, Slab)> &work)
{
    Util::ParallelTasks::run(slabs.size(), [&](std::size_t i) { work(i, slabs[i]); });
}

} // namespace Automaton
} // namespace Model

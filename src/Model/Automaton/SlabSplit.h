#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace Model {
namespace Automaton {

// The x-slab split shared by the geometry builds: the x range is cut into one
// slab per pool thread, every slab is built on its own into its own result,
// and results are joined in slab order, so the joined result never depends on
// thread timing or on the number of threads.
class SlabSplit
{
public:
    struct Slab
    {
        std::uint32_t begin;
        std::uint32_t end;
    };

    // The global pool's maximum thread count, at least 1.
    static int poolThreadCount();

    // threadCount slabs of width (end - begin) / threadCount, the last one
    // also taking the remainder. Empty when that width is 0 (fewer columns
    // than threads), in which case callers build the whole range in one go.
    static std::vector<Slab> split(std::uint32_t begin, std::uint32_t end, int threadCount);

    // Calls work(i, slabs[i]) for every slab: the first on the calling thread,
    // the others as tasks on the global pool. Returns once all of them have
    // finished, even when one throws; the first failure (in slab order) is then
    // rethrown unchanged.
    static void run(const std::vector<Slab> &slabs,
                    const std::function<void(std::size_t, Slab)> &work);
};

} // namespace Automaton
} // namespace Model

#pragma once

#include "SlabSplit.h"

#include <cstdint>
#include <map>

namespace Model {
namespace Automaton {

class TotalVolume;

// How many cells of a volume hold each material, the empty id 0 left out.
// The count runs over x-slabs on the global pool (one small map per slab)
// and the slab maps are summed in slab order.
class MaterialUsage
{
public:
    using Counts = std::map<std::uint32_t, std::uint64_t>;

    // Takes the volume's cells lock for the count.
    static Counts count(TotalVolume &volume, int threadCount = SlabSplit::poolThreadCount());
    // Adds the counts of `more` to `total`.
    static void add(Counts &total, const Counts &more);
};

} // namespace Automaton
} // namespace Model

#include "MaterialUsage.h"

#include "TotalVolume.h"
#include "Voxel.h"

#include <vector>

namespace Model {
namespace Automaton {

namespace {

// Neighbouring cells mostly share a material, so runs are counted before
// they reach the map.
void countRange(const Voxel *begin, const Voxel *end, MaterialUsage::Counts &counts)
{
    std::uint32_t runId = 0;
    std::uint64_t runLength = 0;
    for (const Voxel *cell = begin; cell != end; ++cell) {
        if (cell->material == runId) {
            ++runLength;
            continue;
        }
        if (runId != 0 && runLength != 0)
            counts[runId] += runLength;
        runId = cell->material;
        runLength = 1;
    }
    if (runId != 0 && runLength != 0)
        counts[runId] += runLength;
}

} // namespace

MaterialUsage::Counts MaterialUsage::count(TotalVolume &volume, int threadCount)
{
    const std::size_t columnCells = std::size_t(volume.getSizeY()) * volume.getSizeZ();
    Counts total;
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    const Voxel *cells = lock.cells();
    const std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, volume.getSizeX(), threadCount);
    if (slabs.empty()) {
        countRange(cells, cells + volume.getCellCount(), total);
    } else {
        std::vector<Counts> perSlab(slabs.size());
        SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
            countRange(cells + slab.begin * columnCells, cells + slab.end * columnCells, perSlab[i]);
        });
        for (const Counts &counts : perSlab)
            add(total, counts);
    }
    return total;
}

void MaterialUsage::add(Counts &total, const Counts &more)
{
    for (const auto &entry : more)
        total[entry.first] += entry.second;
}

} // namespace Automaton
} // namespace Model

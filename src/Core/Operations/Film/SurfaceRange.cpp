#include "Core/Operations/Film/SurfaceRange.h"

#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"

#include <algorithm>
#include <vector>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;

SurfaceRange SurfaceRange::joined(const SurfaceRange &other) const
{
    if (empty)
        return other;
    if (other.empty)
        return *this;
    return { false, std::min(lowest, other.lowest), std::max(highest, other.highest) };
}

SurfaceRange SurfaceRange::ofSlab(const Model::Automaton::Voxel *cells, std::uint32_t ny, std::uint32_t nz,
    std::uint32_t xBegin, std::uint32_t xEnd)
{
    SurfaceRange range;
    for (std::size_t column = std::size_t(xBegin) * ny; column < std::size_t(xEnd) * ny; ++column) {
        const Model::Automaton::Voxel *c = cells + column * nz;
        std::uint32_t top = nz;
        while (top > 0 && c[top - 1].material == 0)
            --top;
        if (top > 0)
            range = range.joined({ false, top, top });
    }
    return range;
}

SurfaceRange SurfaceRange::of(TotalVolume &volume, int threads)
{
    const std::uint32_t nx = volume.getSizeX(), ny = volume.getSizeY(), nz = volume.getSizeZ();
    std::vector<SlabSplit::Slab> slabs
        = SlabSplit::split(0, nx, threads > 0 ? threads : SlabSplit::poolThreadCount());
    if (slabs.empty())
        slabs = { SlabSplit::Slab { 0, nx } };
    std::vector<SurfaceRange> parts(slabs.size());
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    const Model::Automaton::Voxel *cells = lock.cells();
    SlabSplit::run(slabs,
        [&](std::size_t i, SlabSplit::Slab slab) { parts[i] = ofSlab(cells, ny, nz, slab.begin, slab.end); });
    SurfaceRange range;
    for (const SurfaceRange &part : parts)
        range = range.joined(part);
    return range;
}

} // namespace Operations
} // namespace Core

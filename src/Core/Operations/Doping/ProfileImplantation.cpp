#include "Core/Operations/Doping/ProfileImplantation.h"

#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"

#include <vector>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

ProfileImplantation::ProfileImplantation(TotalVolume *volume, std::uint32_t hostMaterial, std::uint32_t dopantType,
                                         double top, double bottom)
    : volume(volume)
    , dopable(hostMaterial, dopantType)
    , top(top)
    , bottom(bottom)
{
}

std::size_t ProfileImplantation::run()
{
    const std::uint32_t nx = volume->getSizeX();
    const int threads = requestedThreads > 0 ? requestedThreads : SlabSplit::poolThreadCount();
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, nx, threads);
    if (slabs.empty())
        slabs.push_back({0, nx});
    std::vector<std::size_t> doped(slabs.size(), 0);
    {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
        Voxel *cells = lock.writableCells();
        SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) { doped[i] = dopeColumns(cells, slab.begin, slab.end); });
    }
    std::size_t total = 0;
    for (const std::size_t count : doped)
        total += count;
    return total;
}

std::size_t ProfileImplantation::dopeColumns(Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const
{
    const std::uint32_t ny = volume->getSizeY();
    const std::uint32_t nz = volume->getSizeZ();
    const double height = volume->getCellSizeZ();
    std::size_t doped = 0;
    if (!(bottom > top) || nz == 0)
        return 0;
    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            Voxel *column = cells + (std::size_t(x) * ny + y) * nz;
            std::uint32_t highest = nz;
            for (std::uint32_t z = nz; z-- > 0;) {
                if (column[z].material != 0) {
                    highest = z;
                    break;
                }
            }
            if (highest == nz)
                continue;
            // The centre of the cell k below the highest lies (k + 1/2) cells deep.
            for (std::uint32_t k = 0; k <= highest; ++k) {
                const double depth = (double(k) + 0.5) * height;
                if (depth > bottom)
                    break;
                Voxel &cell = column[highest - k];
                if (depth < top || !dopable.contains(cell.material) || cell.material == dopable.dopant)
                    continue;
                cell.material = dopable.dopant;
                ++doped;
            }
        }
    }
    return doped;
}

} // namespace Operations
} // namespace Core

#include "ExposedSurface.h"

#include "SlabSplit.h"
#include "TotalVolume.h"

#include <vector>

namespace Model {
namespace Automaton {

namespace {

using Counts = std::map<std::uint32_t, std::uint64_t>;

// Faces of filled cells towards empty ones in the layers [xBegin, xEnd).
void countSlab(const Voxel *cells, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, std::uint32_t xBegin,
               std::uint32_t xEnd, Counts &counts)
{
    const std::size_t nyz = std::size_t(ny) * nz;
    // Runs of one material are counted together before the map is touched.
    std::uint32_t runMaterial = 0;
    std::uint64_t runFaces = 0;
    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::size_t column = (std::size_t(x) * ny + y) * nz;
            for (std::uint32_t z = 0; z < nz; ++z) {
                const std::size_t i = column + z;
                const std::uint32_t material = cells[i].material;
                if (material == 0)
                    continue;
                unsigned faces = 0;
                faces += z > 0 && cells[i - 1].material == 0;
                faces += z + 1 < nz && cells[i + 1].material == 0;
                faces += y > 0 && cells[i - nz].material == 0;
                faces += y + 1 < ny && cells[i + nz].material == 0;
                faces += x > 0 && cells[i - nyz].material == 0;
                faces += x + 1 < nx && cells[i + nyz].material == 0;
                if (faces == 0)
                    continue;
                if (material != runMaterial) {
                    if (runFaces > 0)
                        counts[runMaterial] += runFaces;
                    runMaterial = material;
                    runFaces = 0;
                }
                runFaces += faces;
            }
        }
    }
    if (runFaces > 0)
        counts[runMaterial] += runFaces;
}

} // namespace

std::map<std::uint32_t, std::uint64_t> ExposedSurface::faceCounts(TotalVolume &volume, int threadCount)
{
    const std::uint32_t nx = volume.getSizeX();
    const std::uint32_t ny = volume.getSizeY();
    const std::uint32_t nz = volume.getSizeZ();
    Counts total;
    if (nx == 0 || ny == 0 || nz == 0)
        return total;

    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);

    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, nx, threadCount > 0 ? threadCount : SlabSplit::poolThreadCount());
    if (slabs.empty())
        slabs.push_back({0, nx});
    std::vector<Counts> perSlab(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        countSlab(lock.cells(), nx, ny, nz, slab.begin, slab.end, perSlab[i]);
    });
    for (const Counts &counts : perSlab) {
        for (const auto &[material, faces] : counts)
            total[material] += faces;
    }
    return total;
}

std::uint32_t ExposedSurface::dominantMaterial(TotalVolume &volume)
{
    std::uint32_t best = 0;
    std::uint64_t bestFaces = 0;
    // Ascending ids: a tie keeps the lower one.
    for (const auto &[material, faces] : faceCounts(volume)) {
        if (faces > bestFaces) {
            best = material;
            bestFaces = faces;
        }
    }
    return best;
}

} // namespace Automaton
} // namespace Model

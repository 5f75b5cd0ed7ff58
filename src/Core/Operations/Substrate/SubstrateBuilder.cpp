#include "Core/Operations/Substrate/SubstrateBuilder.h"

#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"

#include <algorithm>
#include <cmath>

namespace Core {
namespace Operations {

namespace {

// The end of [begin, begin + length) clipped to [0, limit), in 64 bits so that
// large offsets and sizes cannot wrap.
std::uint32_t clippedEnd(std::uint32_t begin, std::uint32_t length, std::uint32_t limit)
{
    return std::uint32_t(std::min<std::uint64_t>(std::uint64_t(begin) + length, limit));
}

} // namespace

void SubstrateBuilder::makeMaterialList()
{
    Model::Automaton::MemoryBudget::check(sizeX, sizeY, sizeZ);
    materials.assign(std::size_t(sizeX) * sizeY * sizeZ, 0u);
    fill([this](std::size_t i) { materials[i] = material; });
}

template <class Set>
void SubstrateBuilder::fill(Set set) const
{
    if (spherical)
        fillSphere(set);
    else
        fillBlock(set);
}

template <class Set>
void SubstrateBuilder::fillBlock(Set set) const
{
    const std::uint32_t endX = clippedEnd(blockOffsetX, blockSizeX, sizeX);
    const std::uint32_t endY = clippedEnd(blockOffsetY, blockSizeY, sizeY);
    const std::uint32_t endZ = clippedEnd(blockOffsetZ, blockSizeZ, sizeZ);
    for (std::uint32_t x = blockOffsetX; x < endX; ++x) {
        for (std::uint32_t y = blockOffsetY; y < endY; ++y) {
            for (std::uint32_t z = blockOffsetZ; z < endZ; ++z)
                set(cellIndex(x, y, z));
        }
    }
}

template <class Set>
void SubstrateBuilder::fillSphere(Set set) const
{
    // The test uses cell indices, not cell centres, so the sphere is symmetric
    // about the centre cell. The radius is squared in floating point: an
    // unsigned 32-bit square wraps for radii above 65535.
    const double radius = double(sphereRadius) * double(cellSizeZ);
    const double r2 = radius * radius;
    // Only the cells of the bounding box can pass the test; the box is
    // clipped to the volume. One cell of margin keeps rounding harmless.
    auto axisRange = [radius](std::uint32_t center, float cellSize, std::uint32_t limit, std::uint32_t &begin,
                              std::uint32_t &end) {
        const double reach = cellSize > 0.0f ? std::floor(radius / double(cellSize)) + 1.0 : double(limit);
        const double lower = std::max(0.0, double(center) - reach);
        const double upper = std::min(double(limit), double(center) + reach + 1.0);
        begin = lower < upper ? std::uint32_t(lower) : 0;
        end = lower < upper ? std::uint32_t(upper) : 0;
    };
    std::uint32_t x0, x1, y0, y1, z0, z1;
    axisRange(sphereCenterX, cellSizeX, sizeX, x0, x1);
    axisRange(sphereCenterY, cellSizeY, sizeY, y0, y1);
    axisRange(sphereCenterZ, cellSizeZ, sizeZ, z0, z1);
    for (std::uint32_t x = x0; x < x1; ++x) {
        const double dx = double(std::int64_t(x) - std::int64_t(sphereCenterX)) * cellSizeX;
        for (std::uint32_t y = y0; y < y1; ++y) {
            const double dy = double(std::int64_t(y) - std::int64_t(sphereCenterY)) * cellSizeY;
            for (std::uint32_t z = z0; z < z1; ++z) {
                const double dz = double(std::int64_t(z) - std::int64_t(sphereCenterZ)) * cellSizeZ;
                if (dx * dx + dy * dy + dz * dz <= r2)
                    set(cellIndex(x, y, z));
            }
        }
    }
}

std::shared_ptr<Model::Automaton::TotalVolume> SubstrateBuilder::build()
{
    // The substrate goes straight into the new volume's cells: no list of
    // the whole volume is made on the side.
    auto volume = std::make_shared<Model::Automaton::TotalVolume>(
        sizeX, sizeY, sizeZ, cellSizeX, cellSizeY, cellSizeZ, position, Model::Automaton::TotalVolume::Cells::Empty);
    {
        using Lock = Model::Automaton::TotalVolume::CellsLock;
        const Lock lock(*volume, Lock::Write);
        Model::Automaton::Voxel *cells = lock.writableCells();
        fill([cells, this](std::size_t i) { cells[i].material = material; });
    }
    return volume;
}

} // namespace Operations
} // namespace Core

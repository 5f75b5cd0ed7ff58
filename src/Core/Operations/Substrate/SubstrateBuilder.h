#pragma once

#include "Util/Vector3D.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// The options of a new cell volume with its substrate, a block or a sphere of
// one material, turned into the volume's material list and then the volume.
// The create-substrate operation and the batch run both build volumes with it.
class SubstrateBuilder
{
public:
    std::uint32_t material = 0;
    std::uint32_t sizeX = 1;
    std::uint32_t sizeY = 1;
    std::uint32_t sizeZ = 1;
    std::uint32_t blockSizeX = 0;
    std::uint32_t blockSizeY = 0;
    std::uint32_t blockSizeZ = 0;
    std::uint32_t blockOffsetX = 0;
    std::uint32_t blockOffsetY = 0;
    std::uint32_t blockOffsetZ = 0;
    std::uint32_t sphereRadius = 0;
    std::uint32_t sphereCenterX = 0;
    std::uint32_t sphereCenterY = 0;
    std::uint32_t sphereCenterZ = 0;
    bool spherical = false;
    float cellSizeX = 1.0f;
    float cellSizeY = 1.0f;
    float cellSizeZ = 1.0f;
    Util::Vector3D position;
    // nx*ny*nz material ids in cell order; filled by makeMaterialList.
    std::vector<std::uint32_t> materials;

    // The cell sizes a volume may have, in µm, both ends included.
    static constexpr double minimumCellSize = 0.0001;
    static constexpr double maximumCellSize = 1000.0;
    // A cell size within those ends, and a finite number.
    static bool isCellSize(double size)
    {
        // Single precision holds the lower end as slightly less than 0.0001.
        return size >= minimumCellSize * (1.0 - 1e-6) && size <= maximumCellSize;
    }

    // The volume's size in µm along x, y and z.
    Util::Vector3D extent() const
    {
        return Util::Vector3D(double(sizeX) * cellSizeX, double(sizeY) * cellSizeY, double(sizeZ) * cellSizeZ);
    }

    // Fills `materials`: empty cells with the block (clipped to the volume) or
    // the sphere set to the material. Throws std::bad_alloc when a volume of
    // this size would not fit in the memory available (MemoryBudget).
    void makeMaterialList();
    // The volume with the same cells as makeMaterialList() gives, written
    // straight into it. Throws std::bad_alloc as above.
    std::shared_ptr<Model::Automaton::TotalVolume> build();

private:
    std::size_t cellIndex(std::uint32_t x, std::uint32_t y, std::uint32_t z) const
    {
        return (static_cast<std::size_t>(x) * sizeY + y) * sizeZ + z;
    }
    // Calls set(cell index) for every cell of the block or the sphere.
    template <class Set>
    void fill(Set set) const;
    template <class Set>
    void fillBlock(Set set) const;
    template <class Set>
    void fillSphere(Set set) const;
};

} // namespace Operations
} // namespace Core

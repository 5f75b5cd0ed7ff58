#pragma once

#include "ExtractedModel.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
struct Voxel;
}

namespace ModelExtraction {

// Cuts a cell volume into rectangular blocks of one material each.
//
// A split plane lies between two neighbouring cells of different material;
// the planes of the three axes form a grid, and every grid cell that is not
// empty becomes one block. Blocks come out in the order of a breadth-first
// walk from the origin (+x, then +y, then +z from every block), and each
// block is linked to its grid neighbours: two blocks share a whole face only
// when they are next to each other in the grid, so linking costs one look-up
// per face rather than a comparison of every pair.
class BlockPartition
{
public:
    // Sorted plane positions, each strictly inside the volume.
    struct SplitPlanes
    {
        std::vector<std::uint32_t> x;
        std::vector<std::uint32_t> y;
        std::vector<std::uint32_t> z;
    };

    // The planes found among the cells below the last index of every axis
    // (a change in the last layer of an axis splits nothing). The x range is
    // scanned in slabs on the global pool; `slabCount` 0 takes one slab per
    // pool thread. The caller holds the cells.
    static SplitPlanes findSplitPlanes(const Automaton::Voxel *cells, std::uint32_t nx, std::uint32_t ny,
                                       std::uint32_t nz, int slabCount = 0);

    // The blocks of the grid the planes make, linked to their neighbours.
    // The caller holds the cells. Throws std::length_error when the grid has
    // 2^32 - 1 cells or more, std::bad_alloc when its index does not fit.
    static ExtractedModel::EnvelopeList partition(const Automaton::Voxel *cells, std::uint32_t nx,
                                                  std::uint32_t ny, std::uint32_t nz, const SplitPlanes &planes);

    // Both of the above on a volume, under its cells lock. Never throws: a
    // volume too finely split to model gives no blocks and the reason in
    // `error` (the console wording after the operation name).
    static ExtractedModel::EnvelopeList run(Automaton::TotalVolume &volume, int slabCount = 0,
                                            QString *error = nullptr);
};

} // namespace ModelExtraction
} // namespace Model

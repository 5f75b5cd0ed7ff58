#pragma once

#include <cstdint>

namespace Model {
namespace Automaton {
class TotalVolume;
struct Voxel;
}
} // namespace Model

namespace Core {
namespace Operations {

// Where the top surface of a volume lies, as levels above its bottom: the top
// of a column is one above its highest filled cell (the level a spin coating
// must reach to cover it), and the range runs from the lowest to the highest
// top of the columns that hold any cell. Columns with no cell at all do not
// count; a volume without any cell has no range.
struct SurfaceRange
{
    bool empty = true;
    std::uint32_t lowest = 0; // cells
    std::uint32_t highest = 0; // cells

    // Measures the volume over x-slabs, one per pool thread (`threads` when
    // not 0). Holds the cells for reading while it runs.
    static SurfaceRange of(Model::Automaton::TotalVolume &volume, int threads = 0);

    // The range of the columns with x in [xBegin, xEnd) of a cell array with
    // ny x nz cells per x (z runs fastest).
    static SurfaceRange ofSlab(const Model::Automaton::Voxel *cells, std::uint32_t ny, std::uint32_t nz,
        std::uint32_t xBegin, std::uint32_t xEnd);

    // The range covering both.
    SurfaceRange joined(const SurfaceRange &other) const;
};

} // namespace Operations
} // namespace Core

#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace Model {
namespace Automaton {

// A box of cells: index i is inside on an axis when lower <= i < upper.
struct CellRange
{
    std::array<std::uint32_t, 3> lower{{0, 0, 0}};
    std::array<std::uint32_t, 3> upper{{0, 0, 0}};

    static CellRange whole(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
    {
        return CellRange{{{0, 0, 0}}, {{nx, ny, nz}}};
    }

    bool isEmpty() const
    {
        return lower[0] >= upper[0] || lower[1] >= upper[1] || lower[2] >= upper[2];
    }

    // The same range cut to a volume of size (nx, ny, nz), with lower <= upper
    // on every axis, so loops over it never leave the cell array.
    CellRange clampedTo(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz) const
    {
        const std::array<std::uint32_t, 3> size{{nx, ny, nz}};
        CellRange r;
        for (int a = 0; a < 3; ++a) {
            r.upper[a] = std::min(upper[a], size[a]);
            r.lower[a] = std::min(lower[a], r.upper[a]);
        }
        return r;
    }

    bool operator==(const CellRange &other) const
    {
        return lower == other.lower && upper == other.upper;
    }
    bool operator!=(const CellRange &other) const { return !(*this == other); }
};

} // namespace Automaton
} // namespace Model

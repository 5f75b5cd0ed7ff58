#pragma once

#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Start rule for SurfaceFrontProcess::initialiseByNeighbourhood() that splits
// the cells by emptiness alone. With EmptyIsSource (etching, doping) every
// empty cell is a source and the solids next to one start the front;
// otherwise (deposition) every solid cell seeds and the empty cells next to
// one start it.
template <bool EmptyIsSource>
struct EmptinessStart
{
    static constexpr bool mooreNeighbourhood = true;
    SurfaceFrontProcess::CellRole role(std::uint32_t id) const
    {
        return attracts(id) ? SurfaceFrontProcess::CellRole::Source : SurfaceFrontProcess::CellRole::Open;
    }
    bool attracts(std::uint32_t id) const { return (id == 0) == EmptyIsSource; }
};

} // namespace Operations
} // namespace Core

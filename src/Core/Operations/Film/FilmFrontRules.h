#pragma once

#include "Model/Automaton/Voxel.h"

#include <cstdint>

namespace Core {
namespace Operations {

// The front step of the deposition processes on the surface front: an
// improved cell that is still empty receives the film material, and the
// front moves on through empty cells (the 26 around an improved cell, or
// only its six face neighbours).
template <bool MooreNeighbourhood>
struct FillEmptyStep
{
    static constexpr bool mooreNeighbourhood = MooreNeighbourhood;
    std::uint32_t material;
    float limit; // the thickness, squared
    bool takesPart(const Model::Automaton::Voxel &) const { return true; }
    float limitSquared(const Model::Automaton::Voxel &) const { return limit; }
    void apply(const Model::Automaton::Voxel &current, Model::Automaton::Voxel &next) const
    {
        if (current.material == 0)
            next.material = material;
    }
    bool joins(std::uint32_t id) const { return id == 0; }
};

} // namespace Operations
} // namespace Core

#pragma once

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
    static constexpr bool distanceField = true;
    std::uint32_t material;
    float limit; // the thickness, squared
    bool takesPart(std::uint32_t) const { return true; }
    float limitSquared(std::uint32_t) const { return limit; }
    std::uint32_t apply(std::uint32_t id) const { return id == 0 ? material : id; }
    bool joins(std::uint32_t id) const { return id == 0; }
};

} // namespace Operations
} // namespace Core

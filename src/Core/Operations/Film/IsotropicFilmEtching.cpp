#include "Core/Operations/Film/IsotropicFilmEtching.h"

#include "Core/Operations/Engines/EmptinessStart.h"

namespace Core {
namespace Operations {

namespace {

// Only empty cells and cells of the etched material carry the front; any
// other material is skipped and so masks what lies behind it.
struct EtchingStep
{
    // A cell's offset is taken from its six face neighbours only, so only a
    // change of one of them can improve it: the front passes on to the face
    // neighbours of improved cells, and the cells around them in the other
    // directions, which no new offset can reach, stay out of it.
    static constexpr bool mooreNeighbourhood = false;
    static constexpr bool distanceField = true;
    std::uint32_t material;
    float limit;
    bool takesPart(std::uint32_t id) const { return id == 0 || id == material; }
    float limitSquared(std::uint32_t) const { return limit; }
    std::uint32_t apply(std::uint32_t id) const { return id == material ? 0 : id; }
    bool joins(std::uint32_t id) const { return id != 0; }
};

} // namespace

IsotropicFilmEtching::IsotropicFilmEtching(Model::Automaton::TotalVolume *volume,
                                           std::uint32_t materialId, float depth)
    : SurfaceFrontProcess(volume, depth)
    , material(materialId)
{
}

void IsotropicFilmEtching::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, EmptinessStart<true>{});
}

void IsotropicFilmEtching::advanceStrip(Strip &strip)
{
    advanceFront(strip, EtchingStep{material, distance * distance});
}

} // namespace Operations
} // namespace Core

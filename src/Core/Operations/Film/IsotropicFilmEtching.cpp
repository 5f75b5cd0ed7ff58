#include "Core/Operations/Film/IsotropicFilmEtching.h"

namespace Core {
namespace Operations {

namespace {

// Every empty cell seeds the etch; non-empty cells next to one start the front.
struct EtchingStart
{
    static constexpr bool mooreNeighbourhood = true;
    SurfaceFrontProcess::CellRole role(std::uint32_t id) const
    {
        return id == 0 ? SurfaceFrontProcess::CellRole::Source : SurfaceFrontProcess::CellRole::Open;
    }
    bool attracts(std::uint32_t id) const { return id == 0; }
};

// Only empty cells and cells of the etched material carry the front; any
// other material is skipped and so masks what lies behind it.
struct EtchingStep
{
    static constexpr bool mooreNeighbourhood = true;
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
    initialiseByNeighbourhood(strip, EtchingStart{});
}

void IsotropicFilmEtching::advanceStrip(Strip &strip)
{
    advanceFront(strip, EtchingStep{material, distance * distance});
}

} // namespace Operations
} // namespace Core

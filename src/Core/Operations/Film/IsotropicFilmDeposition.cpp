#include "Core/Operations/Film/IsotropicFilmDeposition.h"

namespace Core {
namespace Operations {

namespace {

// Every non-empty cell seeds the film; empty cells next to one start the front.
struct DepositionStart
{
    static constexpr bool mooreNeighbourhood = true;
    SurfaceFrontProcess::CellRole role(std::uint32_t id) const
    {
        return id != 0 ? SurfaceFrontProcess::CellRole::Source : SurfaceFrontProcess::CellRole::Open;
    }
    bool attracts(std::uint32_t id) const { return id != 0; }
};

struct DepositionStep
{
    static constexpr bool mooreNeighbourhood = true;
    static constexpr bool distanceField = true;
    std::uint32_t material;
    float limit;
    bool takesPart(std::uint32_t) const { return true; }
    float limitSquared(std::uint32_t) const { return limit; }
    std::uint32_t apply(std::uint32_t id) const { return id == 0 ? material : id; }
    bool joins(std::uint32_t id) const { return id == 0; }
};

} // namespace

IsotropicFilmDeposition::IsotropicFilmDeposition(Model::Automaton::TotalVolume *volume,
                                                 std::uint32_t materialId, float thickness)
    : SurfaceFrontProcess(volume, thickness)
    , material(materialId)
{
}

void IsotropicFilmDeposition::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, DepositionStart{});
}

void IsotropicFilmDeposition::advanceStrip(Strip &strip)
{
    advanceFront(strip, DepositionStep{material, distance * distance});
}

} // namespace Operations
} // namespace Core

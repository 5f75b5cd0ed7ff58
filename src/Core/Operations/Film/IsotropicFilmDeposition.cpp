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
    // A cell's offset is taken from its six face neighbours only, so only a
    // change of one of them can improve it: the front passes on to the face
    // neighbours of improved cells, and the cells around them in the other
    // directions, which no new offset can reach, stay out of it.
    static constexpr bool mooreNeighbourhood = false;
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

#include "Core/Operations/Film/IsotropicFilmDeposition.h"

#include "Core/Operations/Film/FilmFrontRules.h"

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
    // A cell's offset is taken from its six face neighbours only, so only a
    // change of one of them can improve it: the front passes on to the face
    // neighbours of improved cells.
    advanceFront(strip, FillEmptyStep<false>{material, distance * distance});
}

} // namespace Operations
} // namespace Core

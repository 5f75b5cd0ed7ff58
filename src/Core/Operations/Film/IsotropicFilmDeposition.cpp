#include "Core/Operations/Film/IsotropicFilmDeposition.h"

#include "Core/Operations/Engines/EmptinessStart.h"
#include "Core/Operations/Film/FilmFrontRules.h"

namespace Core {
namespace Operations {

IsotropicFilmDeposition::IsotropicFilmDeposition(Model::Automaton::TotalVolume *volume,
                                                 std::uint32_t materialId, float thickness)
    : SurfaceFrontProcess(volume, thickness)
    , material(materialId)
{
}

void IsotropicFilmDeposition::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, EmptinessStart<false>{});
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

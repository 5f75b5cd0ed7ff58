#include "Core/Operations/Film/Electrodeposition.h"

#include "Core/Operations/Film/FilmFrontRules.h"

namespace Core {
namespace Operations {

namespace {

using Role = SurfaceFrontProcess::CellRole;

// Conducting cells seed, other solids block; an empty cell starts the front
// next to a conducting cell.
struct PlatingStart
{
    static constexpr bool mooreNeighbourhood = true;
    std::uint32_t conducting;
    Role role(std::uint32_t id) const
    {
        return id == conducting ? Role::Source : id != 0 ? Role::Barrier : Role::Open;
    }
    bool attracts(std::uint32_t id) const { return id == conducting && id != 0; }
};

} // namespace

Electrodeposition::Electrodeposition(Model::Automaton::TotalVolume *volume, std::uint32_t depositedId,
                                     std::uint32_t conductingId, float thickness)
    : SurfaceFrontProcess(volume, thickness)
    , deposited(depositedId)
    , conducting(conductingId)
{
    // The offset holds the distance to the source along each axis as a
    // non-negative component: both neighbours of an axis add the same step.
    setFaceSteps({{{0.0f, 0.0f, cz}, {0.0f, 0.0f, cz}, {0.0f, cy, 0.0f}, {0.0f, cy, 0.0f}, {cx, 0.0f, 0.0f},
                   {cx, 0.0f, 0.0f}}});
}

void Electrodeposition::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, PlatingStart{conducting});
}

void Electrodeposition::advanceStrip(Strip &strip)
{
    advanceFront(strip, FillEmptyStep<true>{deposited, distance * distance});
}

} // namespace Operations
} // namespace Core

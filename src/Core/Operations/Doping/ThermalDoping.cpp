#include "Core/Operations/Doping/ThermalDoping.h"

#include "Core/Operations/Engines/EmptinessStart.h"

namespace Core {
namespace Operations {

ThermalDoping::ThermalDoping(Model::Automaton::TotalVolume *volume, std::uint32_t hostMaterial,
                             std::uint32_t dopantType, float depth)
    : SurfaceFrontProcess(volume, depth)
    , dopable(hostMaterial, dopantType)
{
}

void ThermalDoping::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, EmptinessStart<true>{});
}

void ThermalDoping::advanceStrip(Strip &strip)
{
    advanceFront(strip, DopantFrontStep<true>{&dopable, distance * distance});
}

} // namespace Operations
} // namespace Core

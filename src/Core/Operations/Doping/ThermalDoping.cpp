#include "Core/Operations/Doping/ThermalDoping.h"

namespace Core {
namespace Operations {

namespace {

// Every empty cell is a source; solids next to one start the front.
struct DopingStart
{
    static constexpr bool mooreNeighbourhood = true;
    SurfaceFrontProcess::CellRole role(std::uint32_t id) const
    {
        return id == 0 ? SurfaceFrontProcess::CellRole::Source : SurfaceFrontProcess::CellRole::Open;
    }
    bool attracts(std::uint32_t id) const { return id == 0; }
};

} // namespace

ThermalDoping::ThermalDoping(Model::Automaton::TotalVolume *volume, std::uint32_t hostMaterial,
                             std::uint32_t dopantType, float depth)
    : SurfaceFrontProcess(volume, depth)
    , dopable(hostMaterial, dopantType)
{
}

void ThermalDoping::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, DopingStart{});
}

void ThermalDoping::advanceStrip(Strip &strip)
{
    advanceFront(strip, DopantFrontStep<true>{&dopable, distance * distance});
}

} // namespace Operations
} // namespace Core

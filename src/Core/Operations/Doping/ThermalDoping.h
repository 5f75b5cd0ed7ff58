#pragma once

#include "Core/Operations/Doping/DopantTypes.h"
#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Dopes, as a diffusion from the exposed surface would, every dopable cell
// (host, dopant or opposite dopant) whose offset to the nearest empty cell,
// carried through dopable cells only, is at most the depth. Host and opposite
// dopant become the dopant; other materials are never entered and shield
// what lies behind them. Build it, then call run() once.
class ThermalDoping : public SurfaceFrontProcess
{
public:
    // `dopantType` 1 dopes P, anything else N.
    ThermalDoping(Model::Automaton::TotalVolume *volume, std::uint32_t hostMaterial, std::uint32_t dopantType,
                  float depth);

    std::uint32_t getDopant() const { return dopable.dopant; }

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override;

private:
    DopableMaterials dopable;
};

} // namespace Operations
} // namespace Core

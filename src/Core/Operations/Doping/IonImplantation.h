#pragma once

#include "Core/Operations/Doping/DopantTypes.h"
#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

class ProcessEffect;

// Implants a doped layer `implantationDepth` below the top cell of every
// column (following the relief) and anneals it: the dopant then spreads up to
// `annealingDistance` in every direction through dopable cells (host, dopant,
// opposite dopant). Empty cells, above a column's top or in cavities under
// it, never take part. Build it, then call run() once.
class IonImplantation : public SurfaceFrontProcess
{
public:
    // `dopantType` 1 dopes P, anything else N.
    IonImplantation(Model::Automaton::TotalVolume *volume, std::uint32_t hostMaterial, std::uint32_t dopantType,
                    float implantationDepth, float annealingDistance);

    std::uint32_t getDopant() const { return dopable.dopant; }

    // The finish line's notes of a run: depth and annealing distance, and
    // why it might change nothing.
    static void describe(ProcessEffect &effect, std::uint32_t hostMaterial, float implantationDepth,
                         float annealingDistance);

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override;

private:
    DopableMaterials dopable;
    float implantationDepth;
};

} // namespace Operations
} // namespace Core

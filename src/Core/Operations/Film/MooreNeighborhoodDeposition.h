#pragma once

#include "Core/Operations/Film/MooreNeighborhoodProcess.h"

namespace Core {
namespace Operations {

// Every step fills the empty cells touching the solid (faces, edges or
// corners) with one material: after k steps the film covers every empty cell
// within Chebyshev distance k of the solid present at the start.
class MooreNeighborhoodDeposition : public MooreNeighborhoodProcess
{
public:
    MooreNeighborhoodDeposition(Model::Automaton::TotalVolume *volume, std::uint32_t materialId, std::uint32_t steps)
        : MooreNeighborhoodProcess(volume, materialId, steps)
    {
    }

protected:
    void initialiseStrip(Strip &strip) override { initialise(strip, Start{0, false}); }
    void advanceStrip(Strip &strip) override { advanceFront(strip, Step{0, material}); }
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Film/MooreNeighborhoodProcess.h"

namespace Core {
namespace Operations {

// Every step empties the cells of one material that touch empty space
// (faces, edges or corners). After k steps every cell of the material within
// Chebyshev distance k of the empty space present at the start, reached
// through that material, is gone; other materials shield what lies behind.
class MooreNeighborhoodEtching : public MooreNeighborhoodProcess
{
public:
    MooreNeighborhoodEtching(Model::Automaton::TotalVolume *volume, std::uint32_t materialId, std::uint32_t steps)
        : MooreNeighborhoodProcess(volume, materialId, steps)
    {
    }

protected:
    void initialiseStrip(Strip &strip) override { initialise(strip, Start{material, true}); }
    void advanceStrip(Strip &strip) override { advanceFront(strip, Step{material, 0}); }
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Film/MooreNeighborhoodOperation.h"

namespace Core {
namespace Operations {

// Eats one cell layer of a material per step, from where it touches empty space.
class MooreNeighborhoodEtchingOperation : public MooreNeighborhoodOperation
{
public:
    static constexpr std::uint32_t operationId = 19;
    explicit MooreNeighborhoodEtchingOperation(Workspace *workspace)
        : MooreNeighborhoodOperation(workspace, operationId)
    {
    }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
};

} // namespace Operations
} // namespace Core

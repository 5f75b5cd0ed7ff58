#pragma once

#include "Core/Operations/Film/MooreNeighborhoodOperation.h"

namespace Core {
namespace Operations {

// Grows a film one cell layer per step around every solid of the selected volume.
class MooreNeighborhoodDepositionOperation : public MooreNeighborhoodOperation
{
public:
    explicit MooreNeighborhoodDepositionOperation(Workspace *workspace)
        : MooreNeighborhoodOperation(workspace, ProcessKey::MooreDeposition)
    {
    }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;
};

} // namespace Operations
} // namespace Core

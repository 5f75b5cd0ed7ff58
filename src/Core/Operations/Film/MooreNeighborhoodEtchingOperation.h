#pragma once

#include "Core/Operations/Film/MooreNeighborhoodOperation.h"

namespace Core {
namespace Operations {

// Eats one cell layer of a material per step, from where it touches empty space.
class MooreNeighborhoodEtchingOperation : public MooreNeighborhoodOperation
{
public:
    explicit MooreNeighborhoodEtchingOperation(Workspace *workspace)
        : MooreNeighborhoodOperation(workspace, ProcessKey::MooreEtching)
    {
    }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;
};

} // namespace Operations
} // namespace Core

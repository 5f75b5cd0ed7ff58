#pragma once

#include "Core/Operations/Doping/DopantProcessOperation.h"

namespace Core {
namespace Operations {

// Implants a doped layer at a depth below the top of every column of the
// selected volume and anneals it. Undoable like every process that changes
// cells.
class IonImplantationOperation : public DopantProcessOperation
{
public:

    explicit IonImplantationOperation(Workspace *workspace);

    void setImplantationDepth(float depth);
    void setAnnealingDistance(float distance);

    void end() override;

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    float implantationDepth = 0.0f;
    float annealingDistance = 0.0f;
    bool depthSet = false;
    bool distanceSet = false;
};

} // namespace Operations
} // namespace Core

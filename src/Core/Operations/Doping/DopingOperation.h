#pragma once

#include "Core/Operations/Doping/DopantProcessOperation.h"

namespace Core {
namespace Operations {

// Dopes the silicon of the selected volume N or P type to a depth below its
// exposed surface.
class DopingOperation : public DopantProcessOperation
{
public:

    explicit DopingOperation(Workspace *workspace);

    void setDepth(float depth);

    void end() override;

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    float depth = 0.0f;
    bool depthSet = false;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <memory>

namespace Core {
namespace Operations {

class SiWetEtchEngine;

// The frame shared by the atomistic wet etches: one option, the depth in
// lattice units; the run keeps the lattice current instead of marking it
// out of date. An etch supplies its engine.
class SiWetEtchOperation : public VolumeProcessOperation
{
public:
    using VolumeProcessOperation::VolumeProcessOperation;
    ~SiWetEtchOperation() override;

    void setDepth(double value);
    double getDepth() const { return depth; }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    bool keepsSiLatticeCurrent() const override { return true; }
    virtual std::unique_ptr<SiWetEtchEngine> makeEngine(Model::Automaton::TotalVolume *volume) const = 0;

private:
    double depth = 0.0;
};

} // namespace Operations
} // namespace Core

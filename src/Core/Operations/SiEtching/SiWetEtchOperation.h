#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <QString>

#include <memory>

namespace Core {
namespace Operations {

class SiWetEtchEngine;

// The frame shared by the atomistic wet etches: one option, the depth in
// micrometres; the run keeps the lattice current instead of marking it
// out of date. An etch supplies its engine. An etch that stopped short of
// the depth (its pits closed on {111} walls, say) tells the console how deep
// it went, after the finish line.
class SiWetEtchOperation : public VolumeProcessOperation
{
public:
    using VolumeProcessOperation::VolumeProcessOperation;
    ~SiWetEtchOperation() override;

    // Micrometres.
    void setDepth(double value);
    double getDepth() const { return depth; }

    void end() override;
    // The engine's account of the last run when it stopped early, else empty.
    QString getStopReport() const { return stopReport; }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    bool keepsSiLatticeCurrent() const override { return true; }
    virtual std::unique_ptr<SiWetEtchEngine> makeEngine(Model::Automaton::TotalVolume *volume) const = 0;

private:
    double depth = 0.0;
    QString stopReport;
};

} // namespace Operations
} // namespace Core

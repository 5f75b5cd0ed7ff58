#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/Operations/SiEtching/SiWetEtchEngine.h"
#include "Core/Operations/SiEtching/WetEtchRecipe.h"

#include <memory>
#include <optional>

namespace Core {
namespace Operations {

// The frame shared by the atomistic wet etches: one option, the depth in
// micrometres, or an etchant, its conditions and a time that give the depth
// as the (100) rate times the time; the run keeps the lattice current instead of marking it
// out of date. An etch supplies its engine. The finish line tells how deep
// the etch went, and why when it stopped short of the depth (its pits closed
// on {111} walls, say).
class SiWetEtchOperation : public VolumeProcessOperation
{
public:
    using VolumeProcessOperation::VolumeProcessOperation;
    ~SiWetEtchOperation() override;

    // Micrometres.
    void setDepth(double value);
    // The depth the recipe's etchant reaches in its time; the finish line
    // names the etchant and the rate.
    void setRecipe(const WetEtchRecipe &recipe);
    double getDepth() const { return depth; }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    bool keepsSiLatticeCurrent() const override { return true; }
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;
    virtual std::unique_ptr<SiWetEtchEngine> makeEngine(Model::Automaton::TotalVolume *volume) const = 0;

private:
    double depth = 0.0;
    std::optional<WetEtchRecipe> recipe;
    SiWetEtchEngine::Outcome outcome;
};

} // namespace Operations
} // namespace Core

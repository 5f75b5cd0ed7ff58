#pragma once

#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtching.h"
#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <cstdint>
#include <vector>

namespace Core {
namespace Operations {

// The cyclic deep etch of one material of the selected volume (see
// DeepReactiveIonEtching); undoable like every process that changes cells.
// The finish line gives the depth reached in every opening.
class DeepReactiveIonEtchingOperation : public VolumeProcessOperation
{
public:
    explicit DeepReactiveIonEtchingOperation(Workspace *workspace);

    void setEtchMaterial(std::uint32_t id) { etchMaterial = id; optionSet(MaterialOption); }
    void setCycles(std::uint32_t count) { cycles = count; optionSet(CyclesOption); }
    // µm
    void setEtchPerCycle(double micrometres) { etchPerCycle = micrometres; optionSet(EtchOption); }
    void setPassivationThickness(double micrometres) { passivation = micrometres; optionSet(); }
    void setAspectRatioDependent(bool on) { arde = on; optionSet(); }

    std::uint32_t getEtchMaterial() const { return etchMaterial; }
    std::uint32_t getCycles() const { return cycles; }
    double getEtchPerCycle() const { return etchPerCycle; }
    double getPassivationThickness() const { return passivation; }
    bool isAspectRatioDependent() const { return arde; }
    // The openings of the last run.
    const std::vector<DeepReactiveIonEtching::Opening> &getOpenings() const { return openings; }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    enum Option : std::uint32_t { MaterialOption = 1, CyclesOption = 2, EtchOption = 4 };
    std::uint32_t etchMaterial = 1;
    std::uint32_t cycles = 20;
    double etchPerCycle = 0.5;
    double passivation = 0.05;
    bool arde = true;
    std::vector<DeepReactiveIonEtching::Opening> openings;
};

} // namespace Operations
} // namespace Core

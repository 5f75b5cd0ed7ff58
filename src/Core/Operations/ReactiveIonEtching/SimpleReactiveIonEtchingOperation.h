#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Etches one material of the selected volume straight down, up, or both, by
// a whole number of cells. Undoable like every process that changes cells.
class SimpleReactiveIonEtchingOperation : public VolumeProcessOperation
{
public:

    explicit SimpleReactiveIonEtchingOperation(Workspace *workspace);

    void setEtchMaterial(std::uint32_t id);
    // A whole number of cells; the fraction is dropped.
    void setDepth(double cells);
    // Bit 1: etch from the top, bit 2: from below. 1 until set.
    void setDirections(std::uint8_t bits) { directions = bits; }

    std::uint32_t getEtchMaterial() const { return etchMaterial; }
    std::uint8_t getDirections() const { return directions; }

    void end() override;

    // The step count of a depth: its whole cells, 0 for what is not a
    // positive number, saturated at the counter's range.
    static std::uint32_t stepsForDepth(double cells);

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    std::uint32_t etchMaterial = 0;
    double depth = 0.0;
    std::uint8_t directions = 1;
    bool materialSet = false;
    bool depthSet = false;
};

} // namespace Operations
} // namespace Core

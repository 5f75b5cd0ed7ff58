#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/ProcessKey.h"

#include <cstdint>

namespace Core {
namespace Operations {

// The two Moore automaton operations: one material and a step count in cells.
class MooreNeighborhoodOperation : public VolumeProcessOperation
{
public:
    void setMaterial(std::uint32_t id);
    void setSteps(std::uint32_t count);
    std::uint32_t getMaterial() const { return material; }
    std::uint32_t getSteps() const { return steps; }

protected:
    MooreNeighborhoodOperation(Workspace *workspace, ProcessKey kind);

private:
    enum : std::uint32_t { materialOption = 1, stepsOption = 2 };
    std::uint32_t material = 0;
    std::uint32_t steps = 0;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Spins a material onto the selected volume: every empty cell below the
// height (in cells) is filled. Undoable like every other process.
class SpinCoatingOperation : public VolumeProcessOperation
{
public:

    explicit SpinCoatingOperation(Workspace *workspace);

    void setMaterial(std::uint32_t id);
    void setHeight(std::uint32_t cells);

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    enum : std::uint32_t { materialOption = 1, heightOption = 2 };
    std::uint32_t material = 0;
    std::uint32_t height = 0;
};

} // namespace Operations
} // namespace Core

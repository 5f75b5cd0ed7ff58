#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Polishes the selected volume down to the layers between a minimum and a
// maximum height (in cells). Undoable like every other process.
class PlanarizationOperation : public VolumeProcessOperation
{
public:

    explicit PlanarizationOperation(Workspace *workspace);

    void setMaximumHeight(std::uint32_t cells);
    void setMinimumHeight(std::uint32_t cells);
    // Ends the operation with ": Operation canceled!".
    void cancel() override;

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    enum : std::uint32_t { maximumOption = 1, minimumOption = 2 };
    std::uint32_t maximumHeight = 0;
    std::uint32_t minimumHeight = 0;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Lifecycle/Operation.h"
#include "Model/Automaton/CellRange.h"

#include <array>
#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Cuts a cell volume open for viewing: only cells with lower <= index < upper
// on each axis are drawn. The cells never change, so there is nothing to undo.
class CutCellVolumeOperation : public Operation
{
public:

    enum CutState : std::uint32_t { NoVolume = 0, VolumeChosen = 1, LimitsApplied = 2 };

    explicit CutCellVolumeOperation(Workspace *workspace);
    ~CutCellVolumeOperation() override;

    // Takes the first selected volume and opens the dialog; nothing once one is taken.
    void step() override;
    // Writes ": Operation Canceled!" and ends.
    void cancel() override;
    // Once limits were applied: rebuilds if they were not, and finishes.
    void end() override;

    // Hands the limits to the volume's painter; with `rebuild` the view
    // follows at once. Nothing happens without a volume.
    void applyLimits(const std::uint32_t lower[3], const std::uint32_t upper[3], bool rebuild);
    void applyLimits(const Model::Automaton::CellRange &limits, bool rebuild);
    // The painter's current limits and the volume's cell counts; false without a volume.
    bool currentLimits(Model::Automaton::CellRange &limits, std::array<std::uint32_t, 3> &sizes) const;

    // Chooses the volume directly (scripted use); false without one.
    bool setVolume(const std::shared_ptr<Model::Automaton::TotalVolume> &volume);

    std::uint32_t getCutState() const { return cutState; }
    std::shared_ptr<Model::Automaton::TotalVolume> getVolume() const { return volume; }

private:
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    bool alreadyRebuilt = false;
    std::uint32_t cutState = NoVolume;
};

} // namespace Operations
} // namespace Core

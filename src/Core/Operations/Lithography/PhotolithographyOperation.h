#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/Operations/Lithography/IMaskReceiver.h"
#include "Core/Operations/Lithography/LithographyMask.h"
#include "Core/Operations/Lithography/MaskPlacement.h"

#include <cstdint>
#include <memory>

namespace Util {
class IObserver;
}

namespace Core {
namespace Operations {

// Develops a resist film of the selected volume through a bottom and a top
// mask. Masks and their placement may be set and replaced any number of
// times before the run; each mask is shown at once over the volume (bottom
// below, top above) where the placement lays it. The development is undoable
// like every other process.
class PhotolithographyOperation : public VolumeProcessOperation, public IMaskReceiver
{
public:

    explicit PhotolithographyOperation(Workspace *workspace);

    // The film (resist) material; the run needs it.
    void setMaterial(std::uint32_t id);
    std::uint32_t getMaterial() const { return film; }
    void setBottomMask(const LithographyMask &mask) override;
    void setTopMask(const LithographyMask &mask) override;
    const LithographyMask &getBottomMask() const { return bottomMask; }
    const LithographyMask &getTopMask() const { return topMask; }
    // Both masks are placed on the volume this way when they are shown and
    // when the film is developed; corner until told otherwise.
    void setMaskPlacement(MaskPlacement placement) override;
    MaskPlacement getMaskPlacement() const { return placement; }
    bool footprint(std::uint32_t &nx, std::uint32_t &ny) const override;

    // ": Operation Canceled!"; applied masks stay on the volume's overlays.
    void cancel() override;
    // Cancels instead when no film was chosen.
    void end() override;

    // One observer for the whole class: the operation factory puts it here
    // and every operation built afterwards takes it as its own, so an
    // operation keeps the observer (and window) it was built with.
    static void setClassObserver(const std::shared_ptr<Util::IObserver> &observer);
    static std::shared_ptr<Util::IObserver> getClassObserver();

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;

private:
    std::uint32_t film = 0;
    bool filmChosen = false;
    LithographyMask bottomMask;
    LithographyMask topMask;
    MaskPlacement placement = MaskPlacement::Corner;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Lithography/IMaskReceiver.h"
#include "Core/Operations/Lithography/LithographyMask.h"
#include "Core/Operations/Lithography/MaskPlacement.h"

#include <functional>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Shows delivered masks over a volume without developing anything: the bottom
// mask as the volume's first overlay, the top mask as its second, each as the
// placement lays it on the volume, then calls `refresh` so the view repaints.
// Used where masks are only collected (batch recipes); without a volume the
// masks are only kept.
class MaskOverlayReceiver : public IMaskReceiver
{
public:
    MaskOverlayReceiver(std::shared_ptr<Model::Automaton::TotalVolume> volume, std::function<void()> refresh);

    void setBottomMask(const LithographyMask &mask) override;
    void setTopMask(const LithographyMask &mask) override;
    // Shows both masks again in their new place.
    void setMaskPlacement(MaskPlacement placement) override;
    bool footprint(std::uint32_t &nx, std::uint32_t &ny) const override;

    // Puts the masks on the volume's overlays (bottom first, top second),
    // placed on the volume.
    static void showBottomMask(Model::Automaton::TotalVolume &volume, const LithographyMask &mask,
                               MaskPlacement placement);
    static void showTopMask(Model::Automaton::TotalVolume &volume, const LithographyMask &mask,
                            MaskPlacement placement);

private:
    void show();

    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    std::function<void()> refresh;
    LithographyMask bottomMask;
    LithographyMask topMask;
    MaskPlacement placement = MaskPlacement::Corner;
};

} // namespace Operations
} // namespace Core

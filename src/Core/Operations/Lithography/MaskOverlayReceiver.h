#pragma once

#include "Core/Operations/Lithography/IMaskReceiver.h"

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
// mask as the volume's first overlay, the top mask as its second, then calls
// `refresh` so the view repaints. Used where masks are only collected (batch
// recipes); without a volume the masks are dropped.
class MaskOverlayReceiver : public IMaskReceiver
{
public:
    MaskOverlayReceiver(std::shared_ptr<Model::Automaton::TotalVolume> volume, std::function<void()> refresh);

    void setBottomMask(const LithographyMask &mask) override;
    void setTopMask(const LithographyMask &mask) override;

    // Puts the masks on the volume's overlays (bottom first, top second).
    static void showBottomMask(Model::Automaton::TotalVolume &volume, const LithographyMask &mask);
    static void showTopMask(Model::Automaton::TotalVolume &volume, const LithographyMask &mask);

private:
    void show(void (*put)(Model::Automaton::TotalVolume &, const LithographyMask &), const LithographyMask &mask);

    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    std::function<void()> refresh;
};

} // namespace Operations
} // namespace Core

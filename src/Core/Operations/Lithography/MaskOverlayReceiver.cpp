#include "Core/Operations/Lithography/MaskOverlayReceiver.h"

#include "Core/Operations/Lithography/LithographyMask.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

MaskOverlayReceiver::MaskOverlayReceiver(std::shared_ptr<Model::Automaton::TotalVolume> v, std::function<void()> r)
    : volume(std::move(v))
    , refresh(std::move(r))
{
}

void MaskOverlayReceiver::showBottomMask(Model::Automaton::TotalVolume &target, const LithographyMask &mask)
{
    target.setMaskA(mask.bits, mask.width, mask.height);
}

void MaskOverlayReceiver::showTopMask(Model::Automaton::TotalVolume &target, const LithographyMask &mask)
{
    target.setMaskB(mask.bits, mask.width, mask.height);
}

void MaskOverlayReceiver::setBottomMask(const LithographyMask &mask)
{
    show(&MaskOverlayReceiver::showBottomMask, mask);
}

void MaskOverlayReceiver::setTopMask(const LithographyMask &mask)
{
    show(&MaskOverlayReceiver::showTopMask, mask);
}

void MaskOverlayReceiver::show(void (*put)(Model::Automaton::TotalVolume &, const LithographyMask &),
                               const LithographyMask &mask)
{
    if (!volume)
        return;
    put(*volume, mask);
    if (refresh)
        refresh();
}

} // namespace Operations
} // namespace Core

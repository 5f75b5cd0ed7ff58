#include "Core/Operations/Lithography/MaskOverlayReceiver.h"

#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

MaskOverlayReceiver::MaskOverlayReceiver(std::shared_ptr<Model::Automaton::TotalVolume> v, std::function<void()> r)
    : volume(std::move(v))
    , refresh(std::move(r))
{
}

void MaskOverlayReceiver::showBottomMask(Model::Automaton::TotalVolume &target, const LithographyMask &mask,
                                         MaskPlacement placement)
{
    const LithographyMask shown = MaskPlacing::placed(mask, target.getSizeX(), target.getSizeY(), placement);
    target.setMaskA(shown.bits, shown.width, shown.height);
}

void MaskOverlayReceiver::showTopMask(Model::Automaton::TotalVolume &target, const LithographyMask &mask,
                                      MaskPlacement placement)
{
    const LithographyMask shown = MaskPlacing::placed(mask, target.getSizeX(), target.getSizeY(), placement);
    target.setMaskB(shown.bits, shown.width, shown.height);
}

void MaskOverlayReceiver::setBottomMask(const LithographyMask &mask)
{
    bottomMask = mask;
    show();
}

void MaskOverlayReceiver::setTopMask(const LithographyMask &mask)
{
    topMask = mask;
    show();
}

void MaskOverlayReceiver::setMaskPlacement(MaskPlacement newPlacement)
{
    placement = newPlacement;
    show();
}

bool MaskOverlayReceiver::footprint(std::uint32_t &nx, std::uint32_t &ny) const
{
    if (!volume)
        return false;
    nx = volume->getSizeX();
    ny = volume->getSizeY();
    return true;
}

void MaskOverlayReceiver::show()
{
    if (!volume)
        return;
    showBottomMask(*volume, bottomMask, placement);
    showTopMask(*volume, topMask, placement);
    if (refresh)
        refresh();
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Lithography/PhotolithographyOperation.h"

#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "Core/Operations/Lithography/Photolithography.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IObserver.h"

namespace Core {
namespace Operations {

namespace {

std::shared_ptr<Util::IObserver> &classObserver()
{
    static std::shared_ptr<Util::IObserver> observer;
    return observer;
}

} // namespace

PhotolithographyOperation::PhotolithographyOperation(Workspace *ws)
    : VolumeProcessOperation(ws, ProcessTable::operationName(ProcessKey::Photolithography),
                             ProcessTable::operationId(ProcessKey::Photolithography),
                             QStringLiteral("Lithography"))
{
    // Selected (and told the observer) plus the film: the film check is end()'s.
    readyState = 2;
    setObserver(classObserver());
}

void PhotolithographyOperation::setClassObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    classObserver() = observer;
}

std::shared_ptr<Util::IObserver> PhotolithographyOperation::getClassObserver()
{
    return classObserver();
}

void PhotolithographyOperation::setMaterial(std::uint32_t id)
{
    film = id;
    filmChosen = true;
    optionSet();
}

void PhotolithographyOperation::setBottomMask(const LithographyMask &mask)
{
    bottomMask = mask;
    if (const auto volume = getVolume()) {
        MaskOverlayReceiver::showBottomMask(*volume, mask, placement);
        workspace->notifyOperationEnded();
    }
}

void PhotolithographyOperation::setTopMask(const LithographyMask &mask)
{
    topMask = mask;
    if (const auto volume = getVolume()) {
        MaskOverlayReceiver::showTopMask(*volume, mask, placement);
        workspace->notifyOperationEnded();
    }
}

void PhotolithographyOperation::setMaskPlacement(MaskPlacement newPlacement)
{
    placement = newPlacement;
    if (const auto volume = getVolume()) {
        MaskOverlayReceiver::showBottomMask(*volume, bottomMask, placement);
        MaskOverlayReceiver::showTopMask(*volume, topMask, placement);
        workspace->notifyOperationEnded();
    }
}

bool PhotolithographyOperation::footprint(std::uint32_t &nx, std::uint32_t &ny) const
{
    const auto volume = getVolume();
    if (!volume)
        return false;
    nx = volume->getSizeX();
    ny = volume->getSizeY();
    return true;
}

void PhotolithographyOperation::cancel()
{
    message(QStringLiteral(": Operation Canceled!"));
    cancelOperation(true);
}

void PhotolithographyOperation::end()
{
    if (!filmChosen) {
        cancel();
        return;
    }
    VolumeProcessOperation::end();
}

void PhotolithographyOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    const std::uint32_t nx = volume.getSizeX(), ny = volume.getSizeY();
    Photolithography(&volume, film, MaskPlacing::placed(bottomMask, nx, ny, placement),
                     MaskPlacing::placed(topMask, nx, ny, placement))
        .run();
    volume.setMaskA(Util::BitVector(), 0, 0);
    volume.setMaskB(Util::BitVector(), 0, 0);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/VolumeEditing/CutCellVolumeOperation.h"

#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

using Model::Automaton::CellRange;
using Model::Automaton::TotalVolume;

CutCellVolumeOperation::CutCellVolumeOperation(Workspace *ws)
    : Operation(ws, ProcessTable::operationName(ProcessKey::Cut), ProcessTable::operationId(ProcessKey::Cut))
{
}

CutCellVolumeOperation::~CutCellVolumeOperation() = default;

bool CutCellVolumeOperation::setVolume(const std::shared_ptr<TotalVolume> &chosen)
{
    if (!chosen)
        return false;
    volume = chosen;
    cutState = VolumeChosen;
    return true;
}

void CutCellVolumeOperation::step()
{
    if (volume)
        return;
    std::shared_ptr<TotalVolume> chosen;
    if (!VolumeSelectionStep::take(*this, chosen))
        return;
    setVolume(chosen);
    notifyObserver();
}

void CutCellVolumeOperation::applyLimits(const std::uint32_t lower[3], const std::uint32_t upper[3], bool rebuild)
{
    CellRange limits;
    for (int axis = 0; axis < 3; ++axis) {
        limits.lower[axis] = lower[axis];
        limits.upper[axis] = upper[axis];
    }
    applyLimits(limits, rebuild);
}

void CutCellVolumeOperation::applyLimits(const CellRange &limits, bool rebuild)
{
    // Without a volume there is no painter to cut.
    if (cutState == NoVolume || !volume)
        return;
    volume->getPainter().setLimits(limits);
    alreadyRebuilt = rebuild;
    if (rebuild) {
        volume->getPainter().rebuild();
        workspace->notifyOperationEnded();
    }
    cutState = LimitsApplied;
}

bool CutCellVolumeOperation::currentLimits(CellRange &limits, std::array<std::uint32_t, 3> &sizes) const
{
    if (!volume)
        return false;
    limits = volume->getPainter().getLimits();
    sizes = {{volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()}};
    return true;
}

void CutCellVolumeOperation::end()
{
    if (cutState != LimitsApplied)
        return;
    if (!alreadyRebuilt)
        volume->getPainter().rebuild();
    message(QStringLiteral(": Cut planes changed."));
    finishOperation();
}

void CutCellVolumeOperation::cancel()
{
    message(QStringLiteral(": Operation Canceled!"));
    cancelOperation(true);
}

} // namespace Operations
} // namespace Core

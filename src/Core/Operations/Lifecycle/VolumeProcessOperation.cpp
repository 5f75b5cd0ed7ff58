#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Core/Operations/Lifecycle/BackgroundRun.h"
#include "Core/Operations/Lifecycle/MemoryShortage.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"

namespace Core {
namespace Operations {

VolumeProcessOperation::VolumeProcessOperation(Workspace *ws, const QString &name, std::uint32_t id,
                                               const QString &stateKey)
    : ObjectOperation(ws, name, id)
    , undoHelper(ws, stateKey)
{
}

VolumeProcessOperation::~VolumeProcessOperation() = default;

void VolumeProcessOperation::step()
{
    if (volume)
        return;
    if (!VolumeSelectionStep::take(*this, volume))
        return;
    ++state;
    if (getObserver()) {
        ++state;
        notifyObserver();
    }
}

void VolumeProcessOperation::setVolume(const std::shared_ptr<Model::Automaton::TotalVolume> &v)
{
    if (volume || !v)
        return;
    volume = v;
    ++state;
}

void VolumeProcessOperation::end()
{
    if (!volume || state < readyState || (givenOptions & requiredOptions) != requiredOptions) {
        cancel();
        return;
    }
    // A run whose working memory cannot be had is refused before it starts;
    // one that runs out all the same gets its cells back from the undo copy.
    const std::uint64_t bytes = MemoryShortage::stepBytes(getId(), volume->getCellCount());
    QString shortage;
    if (!Model::Automaton::MemoryBudget::fitsBytes(bytes)) {
        shortage = MemoryShortage::reason(bytes, true);
    } else {
        progress.reset();
        // The undo states and the drawing go off the interface thread too: on
        // a large volume each takes about as long as the process itself.
        shortage = MemoryShortage::run(undoHelper, *volume, bytes, [this] {
            BackgroundRun::run(getName(), [this] {
                undoHelper.saveBefore(volume.get());
                runProcess(*volume);
                // A marching-cubes or octree surface of a large volume reports its build.
                volume->getPainter().rebuild(&progress);
                undoHelper.saveAfter(volume.get());
            }, progress, workspace->getProcessMonitor());
        });
        if (!shortage.isEmpty())
            volume->getPainter().invalidate();
    }
    if (!shortage.isEmpty()) {
        message(QStringLiteral(": %1.").arg(shortage));
        cancelOperation(true);
        return;
    }
    workspace->setLastOperation(volume->getObjectId(), getId());
    if (!keepsSiLatticeCurrent())
        workspace->setSiLatticeOutdated(volume->getObjectId(), true);
    message(QStringLiteral(": Operation finished."));
    finishOperation();
}

int VolumeProcessOperation::undo()
{
    if (!volume)
        return 0;
    undoHelper.loadUndoState(volume.get());
    return 1;
}

void VolumeProcessOperation::redo()
{
    if (volume)
        undoHelper.loadRedoState(volume.get());
}

} // namespace Operations
} // namespace Core

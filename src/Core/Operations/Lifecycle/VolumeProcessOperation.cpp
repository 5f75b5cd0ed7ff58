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
        effect = ProcessEffect();
        // The undo states and the drawing go off the interface thread too: on
        // a large volume each takes about as long as the process itself.
        shortage = MemoryShortage::run(undoHelper, *volume, bytes, [this] {
            BackgroundRun::run(getName(), [this] {
                undoHelper.saveBefore(volume.get());
                runProcess(*volume);
                ProcessEffect counted;
                counted.compare(undoHelper.savedBefore(), *volume);
                describeEffect(*volume, counted);
                counted.explain(*volume);
                effect = std::move(counted);
                if (effect.changedNothing()) {
                    undoHelper.dropBefore();
                    return;
                }
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
    // The run is recorded as a batch step records it, whatever it changed.
    workspace->setLastOperation(volume->getObjectId(), getId());
    if (!keepsSiLatticeCurrent())
        workspace->setSiLatticeOutdated(volume->getObjectId(), true);
    // "Operation finished" starts the line whatever follows, for scripts that look for it.
    const QString done = QStringLiteral(": Operation finished");
    const QString said = effect.text();
    if (effect.changedNothing()) {
        warn(QStringLiteral("%1: %2.").arg(done, said));
        finishWithoutUndo();
        return;
    }
    message(said.isEmpty() ? done + QLatin1Char('.') : QStringLiteral("%1: %2.").arg(done, said));
    finishOperation();
}

void VolumeProcessOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &) const
{
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

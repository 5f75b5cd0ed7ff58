#include "BatchStepExecutor.h"

#include "Core/Operations/Lifecycle/MemoryShortage.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"

namespace Core {
namespace BatchRun {

int BatchStepExecutor::runOnVolume(const ProcessTable::Kind &kind, const ProcessData &step, Context &context)
{
    // The guard refuses a step whose working memory cannot be had. A step
    // that runs out all the same gets the cells back from the copy taken
    // before it, as the undo states of the window do. The same copy tells
    // what the step changed: every step that may change cells takes it.
    const std::shared_ptr<Model::Automaton::TotalVolume> volume = context.volume;
    const std::uint64_t bytes = Operations::MemoryShortage::stepBytesOfListCode(step.getType(), volume->getCellCount());
    if (bytes > Model::Automaton::MemoryBudget::availableBytes())
        return context.refuse(NotEnoughMemory, QString(), Operations::MemoryShortage::reason(bytes, true));
    const bool changesCells = kind.key != ProcessKey::SaveImage;
    Operations::TotalVolumeUndoRedoHelper cells(context.workspace, QStringLiteral("BatchStep"));
    int code = Done;
    const QString shortage = Operations::MemoryShortage::run(cells, *volume, bytes, [&] {
        if (changesCells)
            cells.saveBefore(volume.get());
        code = kind.runStep(step, context);
        if (code == Done && changesCells) {
            context.effect.compare(cells.savedBefore(), *volume);
            context.effect.explain(*volume);
        }
    });
    if (!shortage.isEmpty())
        return context.refuse(NotEnoughMemory, QString(), shortage);
    return code;
}

bool BatchStepExecutor::knows(int type) const
{
    const ProcessTable::Kind *kind = ProcessTable::byListCode(type);
    return kind && kind->runStep;
}

bool BatchStepExecutor::needsVolume(int type)
{
    const ProcessTable::Kind *kind = ProcessTable::byListCode(type);
    return !kind || !kind->makesVolume;
}

void BatchStepExecutor::recordOperation(Context &context, ProcessKey key)
{
    const std::uint32_t id = ProcessTable::operationId(key);
    if (id && context.workspace && context.volume)
        context.workspace->setLastOperation(context.volume->getObjectId(), id);
}

int BatchStepExecutor::execute(const ProcessData &step, Context &context) const
{
    context.failedParameter.clear();
    context.failureReason.clear();
    context.effect = Operations::ProcessEffect();
    const ProcessTable::Kind *kind = ProcessTable::byListCode(step.getType());
    if (!kind || !kind->runStep)
        return UnknownProcess;
    if (!kind->makesVolume && !context.volume)
        return MissingParameter;
    const int code = kind->makesVolume ? kind->runStep(step, context) : runOnVolume(*kind, step, context);
    if (code == Done && kind->makesVolume && context.volume)
        context.effect.countNew(*context.volume);
    // Whatever a step that ran changed, the next atomistic etch rebuilds the
    // lattice from the cells; only the wet etch keeps it current and an image
    // changes no cell. A skipped step changed nothing.
    if (code == Done && !kind->keepsSiLattice && context.workspace && context.volume)
        context.workspace->setSiLatticeOutdated(context.volume->getObjectId(), true);
    return code;
}

QString BatchStepExecutor::describe(int code)
{
    switch (code) {
    case Done: return QStringLiteral("done");
    case MissingParameter: return QStringLiteral("a required parameter is missing");
    case BadParameter: return QStringLiteral("a parameter does not convert to the value it needs");
    case UnknownProcess: return QStringLiteral("this process cannot run in a batch yet");
    case NotEnoughMemory: return QStringLiteral("not enough memory for the volume");
    case ImageNotSaved: return QStringLiteral("the image could not be saved");
    case UnknownMaterial: return QStringLiteral("a material id names no material of the catalogue");
    default: return QStringLiteral("failed");
    }
}

QString BatchStepExecutor::refusal(int code, const QString &parameter, const QString &reason)
{
    if (!reason.isEmpty())
        return reason;
    if (parameter.isEmpty())
        return describe(code);
    return QStringLiteral("%1 (\"%2\")").arg(describe(code), parameter);
}

} // namespace BatchRun
} // namespace Core

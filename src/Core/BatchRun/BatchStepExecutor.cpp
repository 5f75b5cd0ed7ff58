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
    // that runs out all the same gets the cells back from a copy taken
    // before it, as the undo states of the window do; the copy costs about
    // as long as a thin film takes, so it is taken only when the step needs
    // more than a quarter of the memory left. With more room only an
    // allocation before the first cell is written can fail (the front takes
    // its working state first), and the volume is then unchanged anyway.
    const std::shared_ptr<Model::Automaton::TotalVolume> volume = context.volume;
    const std::uint64_t bytes = Operations::MemoryShortage::stepBytesOfListCode(step.getType(), volume->getCellCount());
    const std::uint64_t available = Model::Automaton::MemoryBudget::availableBytes();
    if (bytes > available)
        return context.refuse(NotEnoughMemory, QString(), Operations::MemoryShortage::reason(bytes, true));
    const bool copy = bytes > available / 4;
    Operations::TotalVolumeUndoRedoHelper cells(context.workspace, QStringLiteral("BatchStep"));
    int code = Done;
    const QString shortage = Operations::MemoryShortage::run(cells, *volume, bytes, [&] {
        if (copy)
            cells.saveBefore(volume.get());
        code = kind.runStep(step, context);
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
    const ProcessTable::Kind *kind = ProcessTable::byListCode(step.getType());
    if (!kind || !kind->runStep)
        return UnknownProcess;
    if (!kind->makesVolume && !context.volume)
        return MissingParameter;
    const int code = kind->makesVolume ? kind->runStep(step, context) : runOnVolume(*kind, step, context);
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

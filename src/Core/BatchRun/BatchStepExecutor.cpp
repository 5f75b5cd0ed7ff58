#include "BatchStepExecutor.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"

namespace Core {
namespace BatchRun {

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
    const int code = kind->runStep(step, context);
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

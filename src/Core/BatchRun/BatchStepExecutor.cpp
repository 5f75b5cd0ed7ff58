#include "BatchStepExecutor.h"

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"
#include "StepParameters.h"
#include "SubstrateStep.h"
#include "Util/Logging.h"

namespace Core {
namespace BatchRun {

using Model::Automaton::TotalVolume;

namespace {

// The operation numbers recorded for a volume, as the interactive operations record them.
constexpr std::uint32_t cvdOperation = 13;
constexpr std::uint32_t isotropicEtchingOperation = 14;

void recordOperation(BatchStepExecutor::Context &context, std::uint32_t operation)
{
    if (context.workspace && context.volume)
        context.workspace->setLastOperation(context.volume->getObjectId(), operation);
}

int giveUp(StepParameters &parameters, BatchStepExecutor::Context &context)
{
    context.failedParameter = parameters.failedName();
    context.failureReason = parameters.reason();
    return parameters.code();
}

int runCvd(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float thickness = parameters.toFloat(QStringLiteral("Thickness"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::IsotropicFilmDeposition(context.volume.get(), material, thickness).run();
    recordOperation(context, cvdOperation);
    return BatchStepExecutor::Done;
}

int runIsotropicEtching(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float depth = parameters.toFloat(QStringLiteral("Depth"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::IsotropicFilmEtching(context.volume.get(), material, depth).run();
    recordOperation(context, isotropicEtchingOperation);
    if (material == 1 && context.workspace)
        context.workspace->setSiLatticeOutdated(context.volume->getObjectId(), true);
    return BatchStepExecutor::Done;
}

int runSaveImage(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    // An empty file name is valid: the step then only refreshes the view.
    const QString name = QStringLiteral("Filename");
    if (!step.getParameters().contains(name)) {
        context.failedParameter = name;
        context.failureReason = QStringLiteral("\"%1\" is missing").arg(name);
        return BatchStepExecutor::MissingParameter;
    }
    const QString fileName = step.getParameter(name).toString();
    if (context.saveImage && !context.saveImage(fileName))
        return BatchStepExecutor::ImageNotSaved;
    return BatchStepExecutor::Done;
}

} // namespace

BatchStepExecutor::BatchStepExecutor()
{
    // One line per process type; later processes add theirs here.
    steps.insert(4, runCvd);
    steps.insert(5, runIsotropicEtching);
    steps.insert(saveImageType, runSaveImage);
    steps.insert(createSubstrateType, SubstrateStep::run);
}

bool BatchStepExecutor::needsVolume(int type)
{
    return type != createSubstrateType;
}

int BatchStepExecutor::execute(const Ui::ProcessData &step, Context &context) const
{
    context.failedParameter.clear();
    context.failureReason.clear();
    const auto it = steps.constFind(step.getType());
    if (it == steps.constEnd())
        return UnknownProcess;
    if (needsVolume(step.getType()) && !context.volume)
        return MissingParameter;
    return it.value()(step, context);
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

} // namespace BatchRun
} // namespace Core

#include "DeepEtchStep.h"

#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtching.h"
#include "ProcessData.h"
#include "StepParameters.h"

namespace Core {
namespace BatchRun {

int DeepEtchStep::run(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t cycles = parameters.toUInt(QStringLiteral("Cycles"));
    const double etch = parameters.toDouble(QStringLiteral("Etch Per Cycle"));
    const double passivation = parameters.toDouble(QStringLiteral("Passivation Thickness"));
    const bool arde = parameters.toBool(QStringLiteral("ARDE"));
    if (parameters.code())
        return parameters.giveUp(context);
    Core::Operations::DeepReactiveIonEtching process(context.volume.get(), material, cycles, etch, passivation, arde);
    process.run();
    Core::Operations::DeepReactiveIonEtching::describe(context.effect, material, cycles, etch, process.getOpenings());
    BatchStepExecutor::recordOperation(context, ProcessKey::DeepRie);
    return BatchStepExecutor::Done;
}

} // namespace BatchRun
} // namespace Core

#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtchingOperation.h"

#include "Core/ProcessTable.h"

namespace Core {
namespace Operations {

DeepReactiveIonEtchingOperation::DeepReactiveIonEtchingOperation(Workspace *ws)
    : VolumeProcessOperation(ws, ProcessTable::operationName(ProcessKey::DeepRie),
                             ProcessTable::operationId(ProcessKey::DeepRie), QStringLiteral("DeepRIE"))
{
    readyState = 1;
    requiredOptions = MaterialOption | CyclesOption | EtchOption;
}

void DeepReactiveIonEtchingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    DeepReactiveIonEtching process(&volume, etchMaterial, cycles, etchPerCycle, passivation, arde);
    process.setProgress(progressSink());
    process.run();
    openings = process.getOpenings();
}

void DeepReactiveIonEtchingOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    DeepReactiveIonEtching::describe(effect, etchMaterial, cycles, etchPerCycle, openings);
}

} // namespace Operations
} // namespace Core

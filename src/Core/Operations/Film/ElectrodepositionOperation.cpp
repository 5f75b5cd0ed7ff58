#include "Core/Operations/Film/ElectrodepositionOperation.h"

#include "Core/Operations/Film/Electrodeposition.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

ElectrodepositionOperation::ElectrodepositionOperation(Workspace *ws)
    : FilmProcessOperation(ws, ProcessTable::operationName(ProcessKey::Electroplating),
                           ProcessTable::operationId(ProcessKey::Electroplating),
                             QStringLiteral("Electroplate"))
{
    // Thickness, deposited and conducting material.
    readyState = 4;
}

void ElectrodepositionOperation::setConductingMaterial(std::uint32_t id)
{
    conductingMaterial = id;
    optionSet();
}

void ElectrodepositionOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    Electrodeposition process(&volume, getMaterial(), conductingMaterial, getLength());
    process.setProgress(progressSink());
    process.run();
}

void ElectrodepositionOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    FilmProcessOperation::describeEffect(volume, effect);
    effect.needMaterial(conductingMaterial);
}

} // namespace Operations
} // namespace Core

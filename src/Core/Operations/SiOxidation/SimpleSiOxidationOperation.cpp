#include "Core/Operations/SiOxidation/SimpleSiOxidationOperation.h"

#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

SimpleSiOxidationOperation::SimpleSiOxidationOperation(Workspace *ws)
    : VolumeProcessOperation(ws, ProcessTable::operationName(ProcessKey::SiOxidation),
                             ProcessTable::operationId(ProcessKey::SiOxidation), QStringLiteral("SiOxidation"))
{
    readyState = 1;
}

void SimpleSiOxidationOperation::setThickness(double micrometres)
{
    thickness = micrometres;
    thicknessSet = true;
    optionSet();
}

void SimpleSiOxidationOperation::setOxidationConditions(double hours, double kelvin, double atmospheres,
                                                        DealGrove::Ambient oxidant)
{
    time = hours;
    temperature = kelvin;
    pressure = atmospheres;
    ambient = oxidant;
    timeSet = true;
    optionSet();
}

void SimpleSiOxidationOperation::setCellUnitsPerMicron(double value)
{
    cellUnitsPerMicron = value;
    optionSet();
}

void SimpleSiOxidationOperation::step()
{
    if (!getVolume() && !VolumeSelectionStep::firstSelectedVolume(*this)) {
        const auto objects = workspace->getDocument().getAllObjects();
        if (objects.size() == 1) {
            if (auto only = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first()))
                workspace->getSelection().select(only);
        }
    }
    VolumeProcessOperation::step();
}

void SimpleSiOxidationOperation::end()
{
    if (!getVolume()) {
        cancel();
        return;
    }
    if (!thicknessSet && !timeSet)
        return;
    VolumeProcessOperation::end();
}

void SimpleSiOxidationOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    SimpleSiOxidation oxidation(&volume, cellUnitsPerMicron);
    oxidation.setProgress(progressSink());
    if (thicknessSet)
        oxidation.oxidateTo(thickness);
    else
        oxidation.oxidateFor(time, temperature, pressure, ambient);
    grown = oxidation.getTarget();
}

void SimpleSiOxidationOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    if (timeSet && !thicknessSet)
        SimpleSiOxidation::describeConditions(effect, ambient, time, temperature, pressure);
    SimpleSiOxidation::describe(effect, volume, grown);
}

} // namespace Operations
} // namespace Core

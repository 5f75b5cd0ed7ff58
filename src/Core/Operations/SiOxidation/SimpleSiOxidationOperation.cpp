#include "Core/Operations/SiOxidation/SimpleSiOxidationOperation.h"

#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"

namespace Core {
namespace Operations {

SimpleSiOxidationOperation::SimpleSiOxidationOperation(Workspace *ws)
    : VolumeProcessOperation(ws, QStringLiteral("Simple Si Oxidation"), operationId, QStringLiteral("SiOxidation"))
{
    readyState = 1;
}

void SimpleSiOxidationOperation::setThickness(double cellUnits)
{
    thickness = cellUnits;
    thicknessSet = true;
    optionSet();
}

void SimpleSiOxidationOperation::setOxidationConditions(double hours, double kelvin, double atmospheres)
{
    time = hours;
    temperature = kelvin;
    pressure = atmospheres;
    timeSet = true;
    optionSet();
}

void SimpleSiOxidationOperation::setCellUnitsPerMicron(double value)
{
    cellUnitsPerMicron = value;
    optionSet();
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
    if (thicknessSet)
        oxidation.oxidateTo(thickness);
    else
        oxidation.oxidateFor(time, temperature, pressure);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Doping/DopingOperation.h"

#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

#include <algorithm>

namespace Core {
namespace Operations {

DopingOperation::DopingOperation(Workspace *ws)
    : DopantProcessOperation(ws, ProcessTable::operationName(ProcessKey::Doping),
                             ProcessTable::operationId(ProcessKey::Doping),
                             QStringLiteral("ThermalDoping"))
{
    readyState = 1;
}

void DopingOperation::setDepth(float value)
{
    depth = value;
    depthSet = true;
    recipe.reset();
    optionSet();
}

void DopingOperation::setRecipe(const DiffusionRecipe &value)
{
    recipe = value;
    depth = float(value.junctionDepth());
    depthSet = true;
    setDopantType(Dopants::dopantType(value.species));
}

void DopingOperation::end()
{
    if (!isDopantSet() || !depthSet) {
        cancel();
        return;
    }
    VolumeProcessOperation::end();
}

void DopingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    ThermalDoping doping(&volume, getHostMaterial(), getDopantType(), depth);
    doping.setProgress(progressSink());
    doping.run();
}

void DopingOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    if (recipe)
        recipe->describe(effect, std::min({volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()}));
    else
        effect.noteLength(QStringLiteral("depth"), depth);
    effect.needMaterial(getHostMaterial());
}

} // namespace Operations
} // namespace Core

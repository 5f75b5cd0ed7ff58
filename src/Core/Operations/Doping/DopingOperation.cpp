#include "Core/Operations/Doping/DopingOperation.h"

#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/ProcessTable.h"

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
    optionSet();
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

void DopingOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    effect.noteLength(QStringLiteral("depth"), depth);
    effect.needMaterial(getHostMaterial());
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Doping/IonImplantationOperation.h"

#include "Core/Operations/Doping/IonImplantation.h"
#include "Core/ProcessTable.h"

namespace Core {
namespace Operations {

IonImplantationOperation::IonImplantationOperation(Workspace *ws)
    : DopantProcessOperation(ws, ProcessTable::operationName(ProcessKey::IonImplantation),
                             ProcessTable::operationId(ProcessKey::IonImplantation), QStringLiteral("IonImplantation"))
{
    readyState = 1;
}

void IonImplantationOperation::setImplantationDepth(float depth)
{
    implantationDepth = depth;
    depthSet = true;
    optionSet();
}

void IonImplantationOperation::setAnnealingDistance(float distance)
{
    annealingDistance = distance;
    distanceSet = true;
    optionSet();
}

void IonImplantationOperation::end()
{
    if (!isDopantSet() || !depthSet || !distanceSet) {
        cancel();
        return;
    }
    VolumeProcessOperation::end();
}

void IonImplantationOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    IonImplantation implantation(&volume, getHostMaterial(), getDopantType(), implantationDepth, annealingDistance);
    implantation.setProgress(progressSink());
    implantation.run();
}

void IonImplantationOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    IonImplantation::describe(effect, getHostMaterial(), implantationDepth, annealingDistance);
}

} // namespace Operations
} // namespace Core

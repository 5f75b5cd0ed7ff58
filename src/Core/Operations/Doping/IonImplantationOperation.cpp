#include "Core/Operations/Doping/IonImplantationOperation.h"

#include "Core/Operations/Doping/IonImplantation.h"
#include "Core/Operations/Doping/ProfileImplantation.h"
#include "Model/Automaton/TotalVolume.h"
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

void IonImplantationOperation::setRecipe(const ImplantRecipe &value)
{
    recipe = value;
    setDopantType(Dopants::dopantType(value.species));
}

void IonImplantationOperation::end()
{
    if (!isDopantSet() || (!recipe && (!depthSet || !distanceSet))) {
        cancel();
        return;
    }
    VolumeProcessOperation::end();
}

void IonImplantationOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    if (recipe) {
        const ImplantProfile::Band band = recipe->band();
        ProfileImplantation(&volume, getHostMaterial(), getDopantType(), band.top, band.bottom).run();
        return;
    }
    IonImplantation implantation(&volume, getHostMaterial(), getDopantType(), implantationDepth, annealingDistance);
    implantation.setProgress(progressSink());
    implantation.run();
}

void IonImplantationOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    if (recipe) {
        recipe->describe(effect, volume.getCellSizeZ());
        effect.needMaterial(getHostMaterial());
        return;
    }
    IonImplantation::describe(effect, getHostMaterial(), implantationDepth, annealingDistance);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Film/SpinCoatingOperation.h"

#include "Core/Operations/Film/SpinCoating.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

SpinCoatingOperation::SpinCoatingOperation(Workspace *ws)
    : VolumeProcessOperation(ws, ProcessTable::operationName(ProcessKey::SpinCoating),
                             ProcessTable::operationId(ProcessKey::SpinCoating), QStringLiteral("SpinCoating"))
{
    requiredOptions = materialOption | heightOption;
}

void SpinCoatingOperation::setMaterial(std::uint32_t id)
{
    material = id;
    optionSet(materialOption);
}

void SpinCoatingOperation::setHeight(std::uint32_t cells)
{
    height = cells;
    optionSet(heightOption);
}

void SpinCoatingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    SpinCoating(&volume, material, height).run();
}

void SpinCoatingOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    SpinCoating::describe(effect, volume, height);
}

} // namespace Operations
} // namespace Core

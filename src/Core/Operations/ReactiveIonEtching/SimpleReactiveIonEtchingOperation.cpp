#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtchingOperation.h"

#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtching.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

#include <cmath>

namespace Core {
namespace Operations {

SimpleReactiveIonEtchingOperation::SimpleReactiveIonEtchingOperation(Workspace *ws)
    : VolumeProcessOperation(ws, ProcessTable::operationName(ProcessKey::SimpleRie),
                             ProcessTable::operationId(ProcessKey::SimpleRie), QStringLiteral("SimpleRIE"))
{
    readyState = 1;
}

void SimpleReactiveIonEtchingOperation::setEtchMaterial(std::uint32_t id)
{
    etchMaterial = id;
    materialSet = true;
    optionSet();
}

void SimpleReactiveIonEtchingOperation::setDepth(double cells)
{
    depth = cells;
    depthSet = true;
    optionSet();
}

void SimpleReactiveIonEtchingOperation::end()
{
    if (!materialSet || !depthSet) {
        cancel();
        return;
    }
    VolumeProcessOperation::end();
}

std::uint32_t SimpleReactiveIonEtchingOperation::stepsForDepth(double cells)
{
    if (!(cells >= 1.0))
        return 0;
    if (cells >= 4294967295.0)
        return 4294967295u;
    return std::uint32_t(std::floor(cells));
}

void SimpleReactiveIonEtchingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    SimpleReactiveIonEtching(&volume, etchMaterial, stepsForDepth(depth), directions).runEtching();
}

void SimpleReactiveIonEtchingOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    SimpleReactiveIonEtching::describe(effect, etchMaterial, stepsForDepth(depth), directions);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"

#include "Core/Operations/Film/MooreNeighborhoodEtching.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

void MooreNeighborhoodEtchingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    MooreNeighborhoodEtching process(&volume, getMaterial(), getSteps());
    process.setProgress(progressSink());
    process.run();
}

void MooreNeighborhoodEtchingOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    effect.noteLayers(QStringLiteral("depth"), getSteps());
    effect.needMaterial(getMaterial());
}

} // namespace Operations
} // namespace Core

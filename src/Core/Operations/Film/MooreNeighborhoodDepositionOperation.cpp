#include "Core/Operations/Film/MooreNeighborhoodDepositionOperation.h"

#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

void MooreNeighborhoodDepositionOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    MooreNeighborhoodDeposition process(&volume, getMaterial(), getSteps());
    process.setProgress(progressSink());
    process.run();
}

void MooreNeighborhoodDepositionOperation::describeEffect(Model::Automaton::TotalVolume &, ProcessEffect &effect) const
{
    effect.noteLayers(QStringLiteral("thickness"), getSteps());
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Film/MooreNeighborhoodDepositionOperation.h"

#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

void MooreNeighborhoodDepositionOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    MooreNeighborhoodDeposition(&volume, getMaterial(), getSteps()).run();
}

} // namespace Operations
} // namespace Core

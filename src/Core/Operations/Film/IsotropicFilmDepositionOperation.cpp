#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

IsotropicFilmDepositionOperation::IsotropicFilmDepositionOperation(Workspace *ws)
    : FilmProcessOperation(ws, ProcessTable::operationName(ProcessKey::Cvd),
                           ProcessTable::operationId(ProcessKey::Cvd), QStringLiteral("IsotropicDeposition"))
{
}

void IsotropicFilmDepositionOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    IsotropicFilmDeposition process(&volume, getMaterial(), getLength());
    process.setProgress(progressSink());
    process.run();
}

} // namespace Operations
} // namespace Core

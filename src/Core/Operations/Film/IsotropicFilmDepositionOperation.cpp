#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

IsotropicFilmDepositionOperation::IsotropicFilmDepositionOperation(Workspace *ws)
    : FilmProcessOperation(ws, QStringLiteral("Isotropic Deposition"), operationId, QStringLiteral("IsotropicDeposition"))
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

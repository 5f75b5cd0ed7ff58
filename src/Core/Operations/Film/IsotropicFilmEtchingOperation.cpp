#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"

#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

IsotropicFilmEtchingOperation::IsotropicFilmEtchingOperation(Workspace *ws)
    : FilmProcessOperation(ws, ProcessTable::operationName(ProcessKey::IsotropicEtching),
                           ProcessTable::operationId(ProcessKey::IsotropicEtching), QStringLiteral("IsotropicEtching"))
{
}

void IsotropicFilmEtchingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    IsotropicFilmEtching process(&volume, getMaterial(), getLength());
    process.setProgress(progressSink());
    process.run();
}

void IsotropicFilmEtchingOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    FilmProcessOperation::describeEffect(volume, effect);
    effect.needMaterial(getMaterial());
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Film/AnisotropicFilmDepositionOperation.h"

#include "Core/Operations/Film/AnisotropicFilmDeposition.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

AnisotropicFilmDepositionOperation::AnisotropicFilmDepositionOperation(Workspace *ws)
    : FilmProcessOperation(ws, ProcessTable::operationName(ProcessKey::Pvd),
                           ProcessTable::operationId(ProcessKey::Pvd),
                           QStringLiteral("IsotropicDeposition"))
{
}

void AnisotropicFilmDepositionOperation::setRatio(float value)
{
    if (value > 0.0f && value <= 1e9f)
        ratio = value;
    optionSet();
}

void AnisotropicFilmDepositionOperation::setDepositOn(std::uint32_t value)
{
    if (value >= 1 && value <= 3)
        side = value;
    optionSet();
}

QString AnisotropicFilmDepositionOperation::sideText(std::uint32_t value)
{
    switch (value) {
    case 1: return QStringLiteral("On Top");
    case 2: return QStringLiteral("On Bottom");
    case 3: return QStringLiteral("On Top and Bottom");
    default: return QString();
    }
}

void AnisotropicFilmDepositionOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    AnisotropicFilmDeposition process(&volume, getMaterial(), getLength(), ratio, side);
    process.setProgress(progressSink());
    process.run();
}

} // namespace Operations
} // namespace Core

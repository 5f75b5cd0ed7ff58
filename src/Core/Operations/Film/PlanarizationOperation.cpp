#include "Core/Operations/Film/PlanarizationOperation.h"

#include "Core/Operations/Film/Planarization.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

PlanarizationOperation::PlanarizationOperation(Workspace *ws)
    : VolumeProcessOperation(ws, ProcessTable::operationName(ProcessKey::Planarization),
                             ProcessTable::operationId(ProcessKey::Planarization),
                             QStringLiteral("Planarize"))
{
    requiredOptions = maximumOption | minimumOption;
}

void PlanarizationOperation::setMaximumHeight(std::uint32_t cells)
{
    maximumHeight = cells;
    optionSet(maximumOption);
}

void PlanarizationOperation::setMinimumHeight(std::uint32_t cells)
{
    minimumHeight = cells;
    optionSet(minimumOption);
}

void PlanarizationOperation::cancel()
{
    message(QStringLiteral(": Operation canceled!"));
    cancelOperation(true);
}

void PlanarizationOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    Planarization(&volume, maximumHeight, minimumHeight).run();
}

void PlanarizationOperation::describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const
{
    Planarization::describe(effect, volume, maximumHeight, minimumHeight);
}

} // namespace Operations
} // namespace Core

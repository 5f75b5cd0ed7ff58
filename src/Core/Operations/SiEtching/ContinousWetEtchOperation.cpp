#include "Core/Operations/SiEtching/ContinousWetEtchOperation.h"

#include "Core/Operations/SiEtching/ContinuosWetEtching.h"
#include "Core/ProcessTable.h"

namespace Core {
namespace Operations {

ContinousWetEtchOperation::ContinousWetEtchOperation(Workspace *ws)
    : SiWetEtchOperation(ws, ProcessTable::operationName(ProcessKey::ContinuousWetEtching),
                         ProcessTable::operationId(ProcessKey::ContinuousWetEtching), QStringLiteral("ContinuousWetEtch"))
{
}

std::unique_ptr<SiWetEtchEngine> ContinousWetEtchOperation::makeEngine(Model::Automaton::TotalVolume *volume) const
{
    return std::make_unique<ContinuosWetEtching>(volume, getDepth());
}

} // namespace Operations
} // namespace Core

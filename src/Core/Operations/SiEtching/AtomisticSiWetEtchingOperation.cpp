#include "Core/Operations/SiEtching/AtomisticSiWetEtchingOperation.h"

#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"
#include "Core/ProcessTable.h"

namespace Core {
namespace Operations {

AtomisticSiWetEtchingOperation::AtomisticSiWetEtchingOperation(Workspace *ws)
    : SiWetEtchOperation(ws, ProcessTable::operationName(ProcessKey::SiWetEtching),
                         ProcessTable::operationId(ProcessKey::SiWetEtching), QStringLiteral("BCAWetEtch"))
{
}

std::unique_ptr<SiWetEtchEngine> AtomisticSiWetEtchingOperation::makeEngine(Model::Automaton::TotalVolume *volume) const
{
    return std::make_unique<AtomicStructureSimpleSiWetEtch>(volume, getDepth());
}

} // namespace Operations
} // namespace Core

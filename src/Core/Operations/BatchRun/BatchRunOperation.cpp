#include "Core/Operations/BatchRun/BatchRunOperation.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

BatchRunOperation::BatchRunOperation(Workspace *ws, std::shared_ptr<Model::Automaton::TotalVolume> start)
    : ObjectOperation(ws, ProcessTable::kind(ProcessKey::BatchRun).menuText, ProcessTable::operationId(ProcessKey::BatchRun))
    , startVolume(std::move(start))
    , undoHelper(ws, QStringLiteral("BatchRun"))
{
}

BatchRunOperation::~BatchRunOperation() = default;

void BatchRunOperation::saveBefore()
{
    if (startVolume)
        undoHelper.saveBefore(startVolume.get());
}

void BatchRunOperation::saveAfter(const std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> &made)
{
    if (startVolume)
        undoHelper.saveAfter(startVolume.get());
    created = made;
}

int BatchRunOperation::undo()
{
    for (auto it = created.rbegin(); it != created.rend(); ++it)
        workspace->getDocument().removeObject(*it);
    if (startVolume)
        undoHelper.loadUndoState(startVolume.get());
    return 1;
}

void BatchRunOperation::redo()
{
    if (startVolume)
        undoHelper.loadRedoState(startVolume.get());
    for (const auto &volume : created)
        workspace->getDocument().addObject(volume);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Objects/DeleteObject.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Object.h"

namespace Core {
namespace Operations {

DeleteObject::DeleteObject(Workspace *ws)
    : ObjectOperation(ws, ProcessTable::operationName(ProcessKey::Delete), ProcessTable::operationId(ProcessKey::Delete))
{
}

void DeleteObject::step()
{
    if (done)
        return;
    const QList<std::shared_ptr<Model::Object>> selected = workspace->getSelection().getSelectedObjects();
    if (!selected.isEmpty()) {
        objects = selected;
        workspace->getSelection().clearSelection();
        workspace->getSelection().setSelectionMode(false);
        done = true;
        end();
        return;
    }
    workspace->getConsoleInput().setMessage(QStringLiteral("Delete: Select the objects to be deleted and press Return/Enter"));
    workspace->getConsoleInput().waitForEnter(this);
    workspace->getSelection().setSelectionMode(true);
}

void DeleteObject::end()
{
    if (!done) {
        workspace->notifyOperationEnded();
        workspace->getConsoleInput().resetRequest();
        workspace->getConsoleInput().setMessage(QStringLiteral("Delete: Operation canceled, no selected objects."));
        workspace->operationCancelled(this);
        return;
    }
    removeObjects();
    workspace->notifyOperationEnded();
    workspace->getConsoleInput().setMessage(QStringLiteral("Delete: objects deleted."));
    finishOperation();
}

void DeleteObject::cancel()
{
    workspace->notifyOperationEnded();
    workspace->getConsoleInput().resetRequest();
    workspace->getConsoleInput().setMessage(QStringLiteral("Delete: Operation canceled."));
    workspace->operationCancelled(this);
}

void DeleteObject::removeObjects()
{
    // Only what the document really held is kept: undo must not add an
    // object that was never part of it.
    QList<std::shared_ptr<Model::Object>> removed;
    placements.clear();
    for (const auto &object : objects) {
        const Model::Document::Placement placement = workspace->getDocument().takeObject(object);
        if (!placement.layer)
            continue;
        removed.append(object);
        placements.append(placement);
    }
    objects = removed;
}

int DeleteObject::undo()
{
    // Back in reverse order, so every object finds the place it had.
    for (int i = objects.size() - 1; i >= 0; --i)
        workspace->getDocument().restoreObject(objects[i], placements[i]);
    workspace->notifyOperationEnded();
    return 1;
}

void DeleteObject::redo()
{
    removeObjects();
    workspace->notifyOperationEnded();
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/UndoRedo/UndoRedoStack.h"

#include "Core/Workspace.h"
#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Util/IObserver.h"

namespace Core {
namespace Operations {

UndoRedoStack::UndoRedoStack(Workspace *ws)
    : workspace(ws)
{
}

void UndoRedoStack::push(const std::shared_ptr<ObjectOperation> &operation)
{
    // The saved state was undone and is now dropped with the redo stack.
    if (cleanDepth > std::ptrdiff_t(undoStack.size()))
        cleanDepth = -1;
    undoStack.push_back(operation);
    redoStack.clear();
    notifyUndo();
    notifyRedo();
}

bool UndoRedoStack::undo()
{
    std::shared_ptr<ObjectOperation> operation;
    if (!undoStack.empty()) {
        operation = undoStack.back();
        undoStack.pop_back();
        workspace->cancelCurrent();
        if (operation->undo() == 0) {
            undoStack.push_back(operation);
        } else {
            redoStack.push_back(operation);
            notifyRedo();
        }
    }
    notifyUndo();
    return operation != nullptr;
}

bool UndoRedoStack::redo()
{
    std::shared_ptr<ObjectOperation> operation;
    if (!redoStack.empty()) {
        operation = redoStack.back();
        redoStack.pop_back();
        workspace->cancelCurrent();
        operation->redo();
        undoStack.push_back(operation);
        notifyUndo();
    }
    notifyRedo();
    return operation != nullptr;
}

void UndoRedoStack::clear()
{
    redoStack.clear();
    undoStack.clear();
    cleanDepth = 0;
    notifyRedo();
    notifyUndo();
}

QString UndoRedoStack::undoTopName() const
{
    return undoStack.empty() ? QString() : undoStack.back()->getName();
}

QString UndoRedoStack::redoTopName() const
{
    return redoStack.empty() ? QString() : redoStack.back()->getName();
}

void UndoRedoStack::addUndoObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    undoObservers.append(observer);
}

void UndoRedoStack::addRedoObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    redoObservers.append(observer);
}

void UndoRedoStack::notifyUndo() const
{
    const auto observers = undoObservers;
    for (const auto &observer : observers)
        observer->notify();
}

void UndoRedoStack::notifyRedo() const
{
    const auto observers = redoObservers;
    for (const auto &observer : observers)
        observer->notify();
}

} // namespace Operations
} // namespace Core

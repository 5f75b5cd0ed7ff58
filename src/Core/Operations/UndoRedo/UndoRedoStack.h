#pragma once

#include <QList>
#include <QString>

#include <cstddef>
#include <deque>
#include <memory>

namespace Util {
class IObserver;
}

namespace Core {

class Workspace;

namespace Operations {

class ObjectOperation;

// The undo and redo stacks of one window; neither has a size limit.
class UndoRedoStack
{
public:
    explicit UndoRedoStack(Workspace *workspace);

    // A finished operation: onto the undo stack; the redo stack empties.
    void push(const std::shared_ptr<ObjectOperation> &operation);
    bool undo();
    bool redo();
    void clear();
    QString undoTopName() const;
    QString redoTopName() const;
    std::size_t undoCount() const { return undoStack.size(); }
    std::size_t redoCount() const { return redoStack.size(); }
    // The clean position: the undo stack's depth when the document was last
    // saved or opened. An undo or redo back to it makes the stacks clean
    // again; a new operation pushed below it makes it unreachable.
    void setClean() { cleanDepth = std::ptrdiff_t(undoStack.size()); }
    bool isClean() const { return cleanDepth == std::ptrdiff_t(undoStack.size()); }

    void addUndoObserver(const std::shared_ptr<Util::IObserver> &observer);
    void addRedoObserver(const std::shared_ptr<Util::IObserver> &observer);

private:
    void notifyUndo() const;
    void notifyRedo() const;

    Workspace *workspace;
    std::deque<std::shared_ptr<ObjectOperation>> undoStack;
    std::deque<std::shared_ptr<ObjectOperation>> redoStack;
    std::ptrdiff_t cleanDepth = 0; // -1: the saved state can no longer be reached
    QList<std::shared_ptr<Util::IObserver>> undoObservers;
    QList<std::shared_ptr<Util::IObserver>> redoObservers;
};

} // namespace Operations
} // namespace Core

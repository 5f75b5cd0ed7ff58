#pragma once

#include "ConsoleInput.h"
#include "Model/Document.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Core/Operations/UndoRedo/UndoRedoStack.h"
#include "PickState.h"
#include "Selection.h"

#include <QHash>
#include <QList>

#include <cstdint>
#include <memory>

namespace Util {
class IObserver;
}

namespace Core {

namespace Operations {
class IOperationFactory;
class IProcessMonitor;
class Operation;
}

// The per-window context every operation receives: the current operation,
// console input, pick state, document, undo/redo stacks, selection and the
// per-volume bookkeeping of the processes.
class Workspace
{
public:
    // `stateFolder` empty: the undo/redo state files go in the working folder.
    explicit Workspace(const QString &stateFolder = QString());
    ~Workspace();

    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    // Cancels the current operation and starts the one with this id.
    void activate(std::uint32_t operationId);
    // The last acts of an operation's end and cancel.
    void operationFinished(Operations::Operation *operation);
    void operationCancelled(Operations::Operation *operation);
    void cancelCurrent();
    void notifyOperationEnded();

    std::shared_ptr<Operations::Operation> getCurrentOperation() const { return currentOperation; }
    ConsoleInput &getConsoleInput() { return consoleInput; }
    PickState &getPickState() { return pickState; }
    Model::Document &getDocument() { return document; }
    Operations::UndoRedoStack &getUndoRedo() { return undoRedo; }
    Selection &getSelection() { return selection; }

    void addOperationEndedObserver(const std::shared_ptr<Util::IObserver> &observer);
    void removeOperationEndedObserver(const std::shared_ptr<Util::IObserver> &observer);

    void setOperationFactory(const std::shared_ptr<Operations::IOperationFactory> &factory);
    std::shared_ptr<Operations::IOperationFactory> getOperationFactory() const { return operationFactory; }

    // The object archivers, which also own the undo/redo state files.
    Model::Persistence::ArchiverRegistry &getArchivers() { return archivers; }
    QString getUndoFileName() const { return archivers.getUndoFileName(); }
    QString getRedoFileName() const { return archivers.getRedoFileName(); }

    // Id of the last process operation finished on a volume (by object id); 0 when none.
    std::uint32_t lastOperationOn(std::uint32_t volumeId) const { return lastOperationByVolume.value(volumeId, 0); }
    void setLastOperation(std::uint32_t volumeId, std::uint32_t operationId) { lastOperationByVolume[volumeId] = operationId; }
    // A volume without an entry counts as outdated.
    bool isSiLatticeOutdated(std::uint32_t volumeId) const { return siLatticeOutdated.value(volumeId, true); }
    void setSiLatticeOutdated(std::uint32_t volumeId, bool outdated) { siLatticeOutdated[volumeId] = outdated; }
    void clearVolumeMaps();

    // Shows the progress of processes run off the interface thread; none (the
    // default) runs them synchronously. Not owned.
    void setProcessMonitor(Operations::IProcessMonitor *monitor) { processMonitor = monitor; }
    Operations::IProcessMonitor *getProcessMonitor() const { return processMonitor; }
    // True while a process runs: nothing may start, cancel or undo meanwhile.
    static bool isBusy();

    // Whether the document changed since it was last saved or opened: the
    // undo stack's position against the one it had then.
    bool isDocumentModified() const { return !undoRedo.isClean(); }
    void markDocumentSaved() { undoRedo.setClean(); }

    // Drops operations that ended while one of their own methods was still
    // running; called where no operation method is on the stack.
    void releaseEndedOperations();

private:
    void retire(Operations::Operation *operation);

    std::shared_ptr<Operations::Operation> currentOperation;
    QList<std::shared_ptr<Operations::Operation>> endedOperations;
    ConsoleInput consoleInput;
    PickState pickState;
    Model::Document document;
    Operations::UndoRedoStack undoRedo;
    QList<std::shared_ptr<Util::IObserver>> operationEndedObservers;
    Selection selection;
    Model::Persistence::ArchiverRegistry archivers;
    QHash<std::uint32_t, std::uint32_t> lastOperationByVolume;
    QHash<std::uint32_t, bool> siLatticeOutdated;
    std::shared_ptr<Operations::IOperationFactory> operationFactory;
    Operations::IProcessMonitor *processMonitor = nullptr;
};

} // namespace Core

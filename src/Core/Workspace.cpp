#include "Workspace.h"

#include "Core/Operations/Lifecycle/BackgroundRun.h"
#include "Core/Operations/Lifecycle/IOperationFactory.h"
#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Core/Operations/Lifecycle/Operation.h"
#include "Util/IObserver.h"
#include "Util/Logging.h"

namespace Core {

Workspace::Workspace(const QString &stateFolder)
    : undoRedo(this)
    , selection(&document, &pickState)
    , archivers(stateFolder)
{
}

Workspace::~Workspace()
{
    consoleInput.resetRequest();
}

void Workspace::activate(std::uint32_t operationId)
{
    releaseEndedOperations();
    cancelCurrent();
    std::shared_ptr<Operations::Operation> operation;
    if (operationFactory)
        operation = operationFactory->createOperation(operationId);
    if (!operation)
        qCDebug(lcOperation) << "No operation with id" << operationId;
    currentOperation = operation;
    if (operation)
        operation->step();
}

void Workspace::retire(Operations::Operation *operation)
{
    // The operation's own method is still running: keep it alive until a
    // later safe point.
    if (currentOperation && currentOperation.get() == operation) {
        endedOperations.append(currentOperation);
        currentOperation.reset();
    }
    if (consoleInput.getRequester() == operation)
        consoleInput.resetRequest();
    pickState.forgetRequester(operation);
}

void Workspace::operationFinished(Operations::Operation *operation)
{
    if (currentOperation && currentOperation.get() == operation) {
        if (auto undoable = std::dynamic_pointer_cast<Operations::ObjectOperation>(currentOperation))
            undoRedo.push(undoable);
    }
    retire(operation);
    // Selection mode belongs to the operation that asked for it.
    selection.setSelectionMode(false);
    selection.clearSelection();
    notifyOperationEnded();
}

void Workspace::operationCancelled(Operations::Operation *operation)
{
    retire(operation);
    selection.setSelectionMode(false);
    selection.clearSelection();
    notifyOperationEnded();
}

bool Workspace::isBusy()
{
    return Operations::BackgroundRun::isRunning();
}

void Workspace::cancelCurrent()
{
    if (auto operation = currentOperation)
        operation->cancel();
}

void Workspace::notifyOperationEnded()
{
    const auto observers = operationEndedObservers;
    for (const auto &observer : observers)
        observer->notify();
}

void Workspace::addOperationEndedObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    operationEndedObservers.append(observer);
}

void Workspace::removeOperationEndedObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    operationEndedObservers.removeAll(observer);
}

void Workspace::setOperationFactory(const std::shared_ptr<Operations::IOperationFactory> &factory)
{
    operationFactory = factory;
}

void Workspace::clearVolumeMaps()
{
    lastOperationByVolume.clear();
    siLatticeOutdated.clear();
}

void Workspace::releaseEndedOperations()
{
    endedOperations.clear();
}

} // namespace Core

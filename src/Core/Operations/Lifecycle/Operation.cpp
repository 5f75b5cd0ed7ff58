#include "Core/Operations/Lifecycle/Operation.h"

#include "Core/ConsoleInput.h"
#include "Core/Workspace.h"
#include "Util/IObserver.h"

namespace Core {
namespace Operations {

Operation::Operation(Workspace *ws, const QString &n, std::uint32_t i)
    : workspace(ws)
    , name(n)
    , id(i)
{
}

Operation::~Operation() = default;

void Operation::cancel()
{
    cancelOperation(false);
}

void Operation::message(const QString &suffix) const
{
    workspace->getConsoleInput().setMessage(name + suffix);
}

void Operation::warn(const QString &suffix) const
{
    workspace->getConsoleInput().setWarning(name + suffix);
}

void Operation::cancelOperation(bool silent)
{
    if (!silent)
        message(QStringLiteral(": Operation canceled."));
    workspace->getConsoleInput().resetRequest();
    workspace->operationCancelled(this);
}

void Operation::finishOperation()
{
    workspace->operationFinished(this);
}

void Operation::finishWithoutUndo()
{
    // The workspace's close of an operation that pushes nothing.
    workspace->operationCancelled(this);
}

void Operation::notifyObserver() const
{
    if (observer)
        observer->notify();
}

} // namespace Operations
} // namespace Core

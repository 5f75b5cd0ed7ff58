#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace Util {
class IObserver;
}

namespace Core {

class Workspace;

namespace Operations {

// A user action as a small state machine: it lives from its activation until
// it finishes or is cancelled. Messages to the user start with its name.
class Operation
{
public:
    Operation(Workspace *workspace, const QString &name, std::uint32_t id);
    virtual ~Operation();

    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;

    // Advances the interaction: at activation, on Enter/Return or an answered
    // request, and after the options were set.
    virtual void step() = 0;
    // Abandons the operation.
    virtual void cancel();
    // Carries the operation out, or behaves as cancel when it is not ready.
    virtual void end() = 0;

    QString getName() const { return name; }
    std::uint32_t getId() const { return id; }
    Workspace *getWorkspace() const { return workspace; }

    // The options observer the factory attaches; it opens the options dialog.
    void setObserver(const std::shared_ptr<Util::IObserver> &observer) { this->observer = observer; }
    std::shared_ptr<Util::IObserver> getObserver() const { return observer; }

protected:
    // Writes the name followed by the suffix to the console.
    void message(const QString &suffix) const;
    // The same as a warning, which the window's status bar shows too.
    void warn(const QString &suffix) const;
    // The common cancel: the ": Operation canceled." message (unless silent),
    // drops the console request and tells the workspace.
    void cancelOperation(bool silent = false);
    // The common close after a successful run: the workspace pushes an
    // undoable operation onto the undo stack and notifies the observers.
    void finishOperation();
    // The close of a run that changed nothing: as finishOperation(), but
    // nothing goes onto the undo stack.
    void finishWithoutUndo();
    void notifyObserver() const;

    Workspace *workspace;

private:
    QString name;
    std::uint32_t id;
    std::shared_ptr<Util::IObserver> observer;
};

} // namespace Operations
} // namespace Core

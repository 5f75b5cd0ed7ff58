#pragma once

#include "Core/Operations/Lifecycle/Operation.h"
#include "Util/IObserver.h"

#include <memory>

class QWidget;

namespace Core {
class Workspace;
}

namespace Ui {
namespace Observers {

// Base of the observers that run an operation's options dialog: they find
// their operation as the workspace's current one when notified.
class OptionsObserver : public Util::IObserver
{
public:
    OptionsObserver(Core::Workspace *workspace, QWidget *parent);

protected:
    // The current operation as `Op`, or empty. The caller keeps the pointer
    // for the whole notification: finishing releases the workspace's reference.
    template <class Op>
    std::shared_ptr<Op> currentOperation() const
    {
        return std::dynamic_pointer_cast<Op>(current());
    }

    Core::Workspace *workspace;
    QWidget *parent;

private:
    std::shared_ptr<Core::Operations::Operation> current() const;
};

} // namespace Observers
} // namespace Ui

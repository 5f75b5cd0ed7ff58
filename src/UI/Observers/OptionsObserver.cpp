#include "OptionsObserver.h"

#include "Core/Workspace.h"

namespace Ui {
namespace Observers {

OptionsObserver::OptionsObserver(Core::Workspace *ws, QWidget *parentWidget)
    : workspace(ws)
    , parent(parentWidget)
{
}

std::shared_ptr<Core::Operations::Operation> OptionsObserver::current() const
{
    return workspace->getCurrentOperation();
}

} // namespace Observers
} // namespace Ui

#include "IsotropicFilmDepositionObserver.h"

#include "Core/Operations/IsotropicFilmDepositionOperation.h"
#include "Core/Workspace.h"
#include "UI/Operations/IsotropicDepositionDialog.h"

namespace Ui {
namespace Observers {

IsotropicFilmDepositionObserver::IsotropicFilmDepositionObserver(Core::Workspace *ws, QWidget *parentWidget)
    : workspace(ws)
    , parent(parentWidget)
{
}

void IsotropicFilmDepositionObserver::notify()
{
    // Held for the whole call: finishing releases the workspace's reference.
    const auto operation = std::dynamic_pointer_cast<Core::Operations::IsotropicFilmDepositionOperation>(
        workspace->getCurrentOperation());
    if (!operation)
        return;

    Operations::IsotropicDepositionDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setThickness(float(dialog.getThickness()));
    operation->setMaterial(dialog.getMaterialId());
    operation->end();
}

} // namespace Observers
} // namespace Ui

#include "IsotropicFilmEtchingObserver.h"

#include "Core/Operations/IsotropicFilmEtchingOperation.h"
#include "Core/Workspace.h"
#include "UI/Operations/IsotropicEtchingDialog.h"

namespace Ui {
namespace Observers {

IsotropicFilmEtchingObserver::IsotropicFilmEtchingObserver(Core::Workspace *ws, QWidget *parentWidget)
    : workspace(ws)
    , parent(parentWidget)
{
}

void IsotropicFilmEtchingObserver::notify()
{
    // Held for the whole call: finishing releases the workspace's reference.
    const auto operation = std::dynamic_pointer_cast<Core::Operations::IsotropicFilmEtchingOperation>(
        workspace->getCurrentOperation());
    if (!operation)
        return;

    Operations::IsotropicEtchingDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setDepth(float(dialog.getDepth()));
    operation->setMaterial(dialog.getMaterialId());
    operation->end();
}

} // namespace Observers
} // namespace Ui

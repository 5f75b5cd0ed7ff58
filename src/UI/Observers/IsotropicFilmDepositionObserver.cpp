#include "IsotropicFilmDepositionObserver.h"

#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "UI/Operations/Film/IsotropicDepositionDialog.h"

namespace Ui {
namespace Observers {

void IsotropicFilmDepositionObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::IsotropicFilmDepositionOperation>();
    if (!operation)
        return;

    // The dialog opens with the values accepted last time in this run.
    Operations::IsotropicDepositionDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setThickness(float(dialog.getThickness()));
    operation->setMaterial(dialog.getMaterialId());
    operation->end();
}

} // namespace Observers
} // namespace Ui

#include "AnisotropicFilmDepositionObserver.h"

#include "Core/Operations/Film/AnisotropicFilmDepositionOperation.h"
#include "UI/Operations/Film/AnisotropicDepositionDialog.h"

namespace Ui {
namespace Observers {

void AnisotropicFilmDepositionObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::AnisotropicFilmDepositionOperation>();
    if (!operation)
        return;

    Operations::AnisotropicDepositionDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setThickness(float(dialog.getThickness()));
    operation->setMaterial(dialog.getMaterialId());
    operation->setRatio(float(dialog.getRatio()));
    operation->setDepositOn(dialog.getDepositOn());
    operation->end();
}

} // namespace Observers
} // namespace Ui

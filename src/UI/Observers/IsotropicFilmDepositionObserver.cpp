#include "IsotropicFilmDepositionObserver.h"

#include "Core/ProcessTable.h"
#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "UI/MaterialChoice.h"
#include "UI/Operations/Film/IsotropicDepositionDialog.h"

namespace Ui {
namespace Observers {

void IsotropicFilmDepositionObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::IsotropicFilmDepositionOperation>();
    if (!operation)
        return;

    // The material chosen last time this run is the likeliest next one.
    const QString kind = Core::ProcessTable::kind(Core::ProcessKey::Cvd).catalogueName;
    Operations::IsotropicDepositionDialog dialog(parent);
    dialog.setMaterialId(MaterialChoice::lastChosen(kind));
    if (dialog.exec() != QDialog::Accepted)
        return;
    MaterialChoice::rememberChosen(kind, dialog.getMaterialId());
    operation->setThickness(float(dialog.getThickness()));
    operation->setMaterial(dialog.getMaterialId());
    operation->end();
}

} // namespace Observers
} // namespace Ui

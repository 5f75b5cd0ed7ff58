#include "ElectrodepositionObserver.h"

#include "Core/Operations/Film/ElectrodepositionOperation.h"
#include "UI/Operations/Film/ElectrodepositionDialog.h"

namespace Ui {
namespace Observers {

void ElectrodepositionObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::ElectrodepositionOperation>();
    if (!operation)
        return;

    Operations::ElectrodepositionDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setThickness(float(dialog.getThickness()));
    operation->setMaterial(dialog.getMaterialId());
    operation->setConductingMaterial(dialog.getConductingMaterialId());
    operation->end();
}

} // namespace Observers
} // namespace Ui

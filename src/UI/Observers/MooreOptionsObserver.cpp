#include "MooreOptionsObserver.h"

#include "Core/Operations/Film/MooreNeighborhoodOperation.h"
#include "UI/Operations/Film/MooreOptionsDialog.h"

namespace Ui {
namespace Observers {

void MooreOptionsObserver::ask(Core::Operations::MooreNeighborhoodOperation &operation, const QString &valueLabel)
{
    Operations::MooreOptionsDialog dialog(parent);
    dialog.setValueLabel(valueLabel);
    if (dialog.exec() != QDialog::Accepted) {
        operation.cancel();
        return;
    }
    operation.setMaterial(dialog.getMaterialId());
    operation.setSteps(dialog.getValue());
    operation.end();
}

} // namespace Observers
} // namespace Ui

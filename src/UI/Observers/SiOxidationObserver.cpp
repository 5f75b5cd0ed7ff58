#include "SiOxidationObserver.h"

#include "Core/Operations/SiOxidation/SimpleSiOxidationOperation.h"
#include "UI/Operations/SiOxidation/SimpleOxidationOptionsDialog.h"

namespace Ui {
namespace Observers {

void SiOxidationObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::SimpleSiOxidationOperation>();
    if (!operation)
        return;

    Operations::SimpleOxidationOptionsDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setCellUnitsPerMicron(dialog.getCellUnitsPerMicron());
    if (dialog.isTimeMode())
        operation->setOxidationConditions(dialog.getTime(), dialog.getTemperature(), dialog.getPressure(),
                                          dialog.getAmbient());
    else
        operation->setThickness(dialog.getThickness());
    operation->end();
}

} // namespace Observers
} // namespace Ui

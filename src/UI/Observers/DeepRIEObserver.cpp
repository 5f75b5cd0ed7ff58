#include "DeepRIEObserver.h"

#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtchingOperation.h"
#include "UI/Operations/DeepReactiveIonEtching/DeepRIEDialog.h"

namespace Ui {
namespace Observers {

void DeepRIEObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::DeepReactiveIonEtchingOperation>();
    if (!operation)
        return;

    Operations::DeepRIEDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setEtchMaterial(dialog.getMaterialId());
    operation->setCycles(dialog.getCycles());
    operation->setEtchPerCycle(dialog.getEtchPerCycle());
    operation->setPassivationThickness(dialog.getPassivationThickness());
    operation->setAspectRatioDependent(dialog.isAspectRatioDependent());
    operation->end();
}

} // namespace Observers
} // namespace Ui

#include "SimpleRIEObserver.h"

#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtchingOperation.h"
#include "UI/Operations/ReactiveIonEtching/SimpleRIEDialog.h"

namespace Ui {
namespace Observers {

void SimpleRIEObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::SimpleReactiveIonEtchingOperation>();
    if (!operation)
        return;

    Operations::SimpleRIEDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setDepth(dialog.getDepth());
    operation->setEtchMaterial(dialog.getMaterialId());
    operation->setDirections(dialog.getDirections());
    operation->end();
}

} // namespace Observers
} // namespace Ui

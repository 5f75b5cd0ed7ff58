#include "PhotolithographyObserver.h"

#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "UI/Operations/Lithography/PhotolithographyDialog.h"

namespace Ui {
namespace Observers {

void PhotolithographyObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::PhotolithographyOperation>();
    if (!operation)
        return;

    Operations::PhotolithographyDialog dialog(operation.get(), parent);
    if (dialog.exec() != QDialog::Accepted) {
        operation->cancel();
        return;
    }
    operation->setMaterial(dialog.getMaterialId());
    operation->setBottomMask(dialog.getBottomMask());
    operation->setTopMask(dialog.getTopMask());
    operation->end();
}

} // namespace Observers
} // namespace Ui

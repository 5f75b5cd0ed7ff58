#include "SiWetEtchObserver.h"

#include "Core/Operations/SiEtching/SiWetEtchOperation.h"
#include "UI/Operations/SiEtching/BCAEtchingDialog.h"

namespace Ui {
namespace Observers {

void SiWetEtchObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::SiWetEtchOperation>();
    if (!operation)
        return;

    Operations::BCAEtchingDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setDepth(dialog.getDepth());
    operation->end();
}

} // namespace Observers
} // namespace Ui

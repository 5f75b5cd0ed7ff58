#include "SiWetEtchObserver.h"

#include "Core/Operations/SiEtching/SiWetEtchOperation.h"
#include "Core/ProcessTable.h"
#include "UI/Operations/SiEtching/BCAEtchingDialog.h"

namespace Ui {
namespace Observers {

void SiWetEtchObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::SiWetEtchOperation>();
    if (!operation)
        return;

    const bool continuous = operation->getId() == Core::ProcessTable::operationId(Core::ProcessKey::ContinuousWetEtching);
    Operations::BCAEtchingDialog dialog(parent, continuous ? Core::ProcessKey::ContinuousWetEtching
                                                           : Core::ProcessKey::SiWetEtching);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const auto recipe = dialog.getRecipe())
        operation->setRecipe(*recipe);
    else
        operation->setDepth(dialog.getDepth());
    operation->end();
}

} // namespace Observers
} // namespace Ui

#include "DopingOptionsObserver.h"

#include "Core/Operations/Doping/DopantTypes.h"
#include "Core/Operations/Doping/DopingOperation.h"
#include "UI/Operations/Doping/DopingOptionsDialog.h"

namespace Ui {
namespace Observers {

void DopingOptionsObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::DopingOperation>();
    if (!operation)
        return;

    Operations::DopingOptionsDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setDepth(float(dialog.getDepth()));
    operation->setDopantType(dialog.getDopantType());
    operation->setHostMaterial(Core::Operations::DopantTypes::silicon);
    if (const auto recipe = dialog.getRecipe())
        operation->setRecipe(*recipe);
    operation->end();
}

} // namespace Observers
} // namespace Ui

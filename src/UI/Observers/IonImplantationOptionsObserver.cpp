#include "IonImplantationOptionsObserver.h"

#include "Core/Operations/Doping/DopantTypes.h"
#include "Core/Operations/Doping/IonImplantationOperation.h"
#include "UI/Operations/Doping/IonImplantationOptionsDialog.h"

namespace Ui {
namespace Observers {

void IonImplantationOptionsObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::IonImplantationOperation>();
    if (!operation)
        return;

    Operations::IonImplantationOptionsDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setAnnealingDistance(float(dialog.getAnnealingDistance()));
    operation->setImplantationDepth(float(dialog.getImplantationDepth()));
    operation->setDopantType(dialog.getDopantType());
    operation->setHostMaterial(Core::Operations::DopantTypes::silicon);
    if (const auto recipe = dialog.getRecipe())
        operation->setRecipe(*recipe);
    operation->end();
}

} // namespace Observers
} // namespace Ui

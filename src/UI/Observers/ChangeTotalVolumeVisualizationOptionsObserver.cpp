#include "ChangeTotalVolumeVisualizationOptionsObserver.h"

#include "Core/Operations/Visualization/ChangeTotalVolumeVisualizationOptions.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/Operations/Visualization/ChangeVolumeVisualizationDialog.h"

namespace Ui {
namespace Observers {

void ChangeTotalVolumeVisualizationOptionsObserver::notify()
{
    using Operation = Core::Operations::ChangeTotalVolumeVisualizationOptions;
    const auto operation = currentOperation<Operation>();
    if (!operation || !operation->getVolume())
        return;

    Operations::ChangeVolumeVisualizationDialog dialog(parent);
    dialog.setOptions(Operation::currentOptions(*operation->getVolume()));
    if (dialog.exec() != QDialog::Accepted) {
        operation->cancel();
        return;
    }
    const auto catalogue = Model::Materials::MaterialFactory::getInstance();
    for (const auto &item : dialog.changedColors()) {
        Model::Materials::Material material = catalogue->getMaterial(item.first);
        if (material.getId() == 0)
            continue;
        material.setColor(item.second);
        catalogue->addMaterial(material);
    }
    if (operation->setOptions(dialog.getOptions()))
        operation->step();
    else
        operation->cancel();
}

} // namespace Observers
} // namespace Ui

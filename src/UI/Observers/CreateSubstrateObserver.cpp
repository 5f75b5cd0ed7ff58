#include "CreateSubstrateObserver.h"

#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/Operations/Substrate/CreateSubstrateDialog.h"

namespace Ui {
namespace Observers {

void CreateSubstrateObserver::notify()
{
    // Held for the whole call: accepting finishes the operation, which then
    // stops being the workspace's current one.
    const auto operation = currentOperation<Core::Operations::CreateSubstrateOperation>();
    if (!operation)
        return;

    Operations::CreateSubstrateDialog dialog(parent);
    dialog.setMaterials(Model::Materials::MaterialFactory::getInstance()->getMaterials());
    if (dialog.exec() != QDialog::Accepted) {
        operation->cancel();
        return;
    }

    const Util::Vector3D cellSize = dialog.getCellSize();
    operation->setCellSize(float(cellSize.x), float(cellSize.y), float(cellSize.z));
    if (dialog.isSpherical()) {
        operation->setSphericalSubstrate(dialog.getMaterialId(), dialog.getTotalWidth(), dialog.getTotalLength(),
                                         dialog.getTotalHeight(), dialog.getPosition(), dialog.getCenterX(),
                                         dialog.getCenterY(), dialog.getCenterZ(), dialog.getRadius());
    } else {
        operation->setBlockSubstrate(dialog.getMaterialId(), dialog.getTotalWidth(), dialog.getTotalLength(),
                                     dialog.getTotalHeight(), dialog.getPosition(), dialog.getSubstrateX(),
                                     dialog.getSubstrateY(), dialog.getSubstrateZ(), dialog.getSubstrateWidth(),
                                     dialog.getSubstrateLength(), dialog.getSubstrateHeight());
    }
    operation->step();
}

} // namespace Observers
} // namespace Ui

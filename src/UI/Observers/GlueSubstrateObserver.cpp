#include "GlueSubstrateObserver.h"

#include "Core/Operations/VolumeEditing/GlueSubstrateOperation.h"
#include "UI/Operations/VolumeEditing/GlueSubstrateDialog.h"

namespace Ui {
namespace Observers {

void GlueSubstrateObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::GlueSubstrateOperation>();
    if (!operation)
        return;
    const Core::Operations::GlueLayout &layout = operation->getLayout();
    Operations::GlueSubstrateDialog dialog(parent);
    dialog.setLimits(layout.minSizeX, layout.minSizeY, layout.minSizeZ, layout.maxDisplacementX,
                     layout.maxDisplacementY);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setFinalSize(dialog.getSizeX(), dialog.getSizeY(), dialog.getSizeZ());
    operation->setDisplacement(dialog.getDisplacementX(), dialog.getDisplacementY());
    operation->setInvertTop(dialog.isInvertTop());
    operation->end();
}

} // namespace Observers
} // namespace Ui

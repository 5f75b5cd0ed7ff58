#include "SpinCoatingObserver.h"

#include "Core/Operations/Film/SpinCoatingOperation.h"
#include "Core/Operations/Film/SurfaceRange.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/Operations/Film/SpinCoatingOptionsDialog.h"

#include <algorithm>
#include <limits>

namespace Ui {
namespace Observers {

void SpinCoatingObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::SpinCoatingOperation>();
    if (!operation)
        return;

    Operations::SpinCoatingOptionsDialog dialog(parent);
    const auto volume = operation->getVolume();
    const std::uint32_t height = volume ? volume->getSizeZ() : 0;
    dialog.setHeightLimit(int(std::min<std::uint32_t>(height, std::numeric_limits<int>::max())));
    // Heights are levels above the volume's bottom: the dialog shows them in
    // µm too, beside where the surface lies now.
    if (volume)
        dialog.setVolumeScale(volume->getCellSizeZ(), Core::Operations::SurfaceRange::of(*volume));
    if (dialog.exec() != QDialog::Accepted) {
        operation->cancel();
        return;
    }
    operation->setMaterial(dialog.getMaterialId());
    operation->setHeight(dialog.getHeight());
    operation->end();
}

} // namespace Observers
} // namespace Ui

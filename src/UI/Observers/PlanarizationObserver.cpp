#include "PlanarizationObserver.h"

#include "Core/Operations/Film/PlanarizationOperation.h"
#include "Core/Operations/Film/SurfaceRange.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/Operations/Film/PlanarizationOptionsDialog.h"

#include <algorithm>
#include <limits>

namespace Ui {
namespace Observers {

void PlanarizationObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::PlanarizationOperation>();
    if (!operation)
        return;

    Operations::PlanarizationOptionsDialog dialog(parent);
    const auto volume = operation->getVolume();
    const std::uint32_t height = volume ? volume->getSizeZ() : 0;
    dialog.updateMaximum(int(std::min<std::uint32_t>(height, std::numeric_limits<int>::max())));
    // Heights are levels above the volume's bottom: the dialog shows them in
    // µm too, beside where the surface lies now.
    if (volume)
        dialog.setVolumeScale(volume->getCellSizeZ(), Core::Operations::SurfaceRange::of(*volume));
    if (dialog.exec() != QDialog::Accepted) {
        operation->cancel();
        return;
    }
    operation->setMaximumHeight(dialog.getMaximumHeight());
    operation->setMinimumHeight(dialog.getMinimumHeight());
    operation->end();
}

} // namespace Observers
} // namespace Ui

#include "CutCellVolumeObserver.h"

#include "Core/Operations/VolumeEditing/CutCellVolumeOperation.h"
#include "UI/Operations/VolumeEditing/CutCellVolumeDialog.h"

namespace Ui {
namespace Observers {

void CutCellVolumeObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::CutCellVolumeOperation>();
    if (!operation)
        return;
    Model::Automaton::CellRange before;
    std::array<std::uint32_t, 3> sizes{};
    if (!operation->currentLimits(before, sizes))
        return;
    Operations::CutCellVolumeDialog dialog(parent);
    dialog.setLimits(before, sizes);
    QObject::connect(&dialog, &Operations::CutCellVolumeDialog::previewRequested,
                     [operation](const Model::Automaton::CellRange &limits) { operation->applyLimits(limits, true); });
    if (dialog.exec() != QDialog::Accepted) {
        // Undoes any preview; the operation stays open.
        operation->applyLimits(before, true);
        return;
    }
    operation->applyLimits(dialog.getLimits(), true);
    operation->end();
}

} // namespace Observers
} // namespace Ui

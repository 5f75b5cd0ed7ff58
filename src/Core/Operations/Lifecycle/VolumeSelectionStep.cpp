#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Core/Operations/Lifecycle/Operation.h"

namespace Core {
namespace Operations {

using Model::Automaton::TotalVolume;

std::shared_ptr<TotalVolume> VolumeSelectionStep::firstSelectedVolume(Operation &operation)
{
    const auto selected = operation.getWorkspace()->getSelection().getSelectedObjects();
    for (const auto &object : selected) {
        if (auto volume = std::dynamic_pointer_cast<TotalVolume>(object))
            return volume;
    }
    return {};
}

bool VolumeSelectionStep::take(Operation &operation, std::shared_ptr<TotalVolume> &volume)
{
    Workspace *workspace = operation.getWorkspace();
    auto found = firstSelectedVolume(operation);
    if (found) {
        volume = found;
        workspace->getSelection().clearSelection();
        workspace->getSelection().setSelectionMode(false);
        workspace->notifyOperationEnded();
        workspace->getConsoleInput().setMessage(operation.getName() + QStringLiteral(": Cell volume selected."));
        return true;
    }
    workspace->getConsoleInput().setMessage(operation.getName()
                                            + QStringLiteral(": Select a cell volume and press Enter/Return."));
    workspace->getConsoleInput().waitForEnter(&operation);
    workspace->getSelection().setSelectionMode(true);
    return false;
}

} // namespace Operations
} // namespace Core

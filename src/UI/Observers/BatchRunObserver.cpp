#include "BatchRunObserver.h"

#include "Core/Operations/BatchRun/SelectVolumesOperation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/BatchRun/RunProcessesDialog.h"
#include "UI/MainWindow.h"

namespace Ui {
namespace Observers {

void BatchRunObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::SelectVolumesOperation>();
    if (!operation)
        return;
    auto *window = qobject_cast<MainWindow *>(parent);
    {
        RunProcessesDialog dialog(workspace, window, operation->getVolume(), parent);
        dialog.exec();
    }
    clearMaskOverlays(*workspace);
    if (window)
        window->repaintCentralWidget();
}

void BatchRunObserver::clearMaskOverlays(Core::Workspace &ws)
{
    // The overlays are drawn from the masks at every paint, so clearing them
    // is all a volume's drawing needs.
    for (const auto &object : ws.getDocument().getAllObjects()) {
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)) {
            volume->clearMaskA();
            volume->clearMaskB();
        }
    }
}

} // namespace Observers
} // namespace Ui

#include "Core/Operations/BatchRun/SelectVolumesOperation.h"

#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IObserver.h"

namespace Core {
namespace Operations {

namespace {

std::shared_ptr<Util::IObserver> &batchRunObserver()
{
    static std::shared_ptr<Util::IObserver> observer;
    return observer;
}

} // namespace

SelectVolumesOperation::SelectVolumesOperation(Workspace *ws)
    : Operation(ws, ProcessTable::operationName(ProcessKey::BatchRun), ProcessTable::operationId(ProcessKey::BatchRun))
{
}

SelectVolumesOperation::~SelectVolumesOperation() = default;

void SelectVolumesOperation::setBatchRunObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    batchRunObserver() = observer;
}

std::shared_ptr<Util::IObserver> SelectVolumesOperation::getBatchRunObserver()
{
    return batchRunObserver();
}

void SelectVolumesOperation::step()
{
    if (done)
        return;
    if (auto found = VolumeSelectionStep::firstSelectedVolume(*this)) {
        volume = found;
        workspace->getSelection().clearSelection();
        workspace->getSelection().setSelectionMode(false);
        workspace->notifyOperationEnded();
        message(QStringLiteral(": Cell volume selected."));
    } else if (!answer.startsWith(QLatin1Char('n'), Qt::CaseInsensitive)) {
        answer.clear();
        message(QStringLiteral(": Select a cell volume and press Enter/Return. To start without a cell volume type "
                               "N and press Enter/Return."));
        workspace->getConsoleInput().requestText(this, &answer);
        workspace->getConsoleInput().waitForEnter(this);
        workspace->getSelection().setSelectionMode(true);
        return;
    }
    done = true;
    end();
}

void SelectVolumesOperation::end()
{
    if (!done)
        return;
    // The dialog runs modally inside this call; the workspace keeps this
    // operation current until it closes.
    if (const auto observer = batchRunObserver())
        observer->notify();
    workspace->getConsoleInput().resetRequest();
    finishOperation();
}

void SelectVolumesOperation::cancel()
{
    cancelOperation(true);
}

} // namespace Operations
} // namespace Core

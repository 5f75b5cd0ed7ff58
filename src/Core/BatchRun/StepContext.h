#pragma once

#include "Core/Operations/Lifecycle/ProcessEffect.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {

class Workspace;

namespace BatchRun {

// Everything a batch step may read or change.
struct StepContext
{
    Workspace *workspace = nullptr;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    // Renders the scene and saves it; empty file name: only refresh.
    std::function<bool(const QString &fileName)> saveImage;
    // Volumes the run's Create Substrate steps made, in order.
    std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> createdVolumes;
    // Set while a window may draw during the run: a new volume is then
    // added hidden, so its first drawing is built on the interface thread
    // once the run is over and never waits for a running step.
    bool hideNewVolumes = false;
    // The parameter that made the last step give up, and what is wrong
    // with it ("\"Thickness\" is missing"), for reports.
    QString failedParameter;
    QString failureReason;
    // What the last step did to the volume: the step notes what it reached
    // and why it might change nothing, the executor counts the cells.
    Operations::ProcessEffect effect;

    // Notes why the step gives up and returns its code.
    int refuse(int code, const QString &parameter, const QString &reason)
    {
        failedParameter = parameter;
        failureReason = reason;
        return code;
    }
};

} // namespace BatchRun
} // namespace Core

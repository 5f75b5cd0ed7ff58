#pragma once

#include <QString>

#include <functional>

namespace Core {
namespace Operations {

class IProcessMonitor;
class ProcessProgress;

// Runs the body of a process on a thread of its own while the interface
// thread waits in a local event loop: the window keeps repainting and the
// monitor follows the progress, but user input (clicks, keys, the wheel,
// closing a window) is swallowed until the run is over. Not a thread of the
// global pool: the algorithms fill that pool with their strip tasks and
// wait for them.
//
// Without a monitor, without an application object, or when called off the
// interface thread (the command-line tool, tests of the core) the body runs
// synchronously on the calling thread.
class BackgroundRun
{
public:
    // How often the monitor is told the progress.
    static constexpr int pollIntervalMs = 50;

    // Rethrows on the calling thread whatever the body threw.
    static void run(const QString &name, const std::function<void()> &body, const ProcessProgress &progress,
                    IProcessMonitor *monitor);
    // True while a run waits on the interface thread.
    static bool isRunning();
};

} // namespace Operations
} // namespace Core

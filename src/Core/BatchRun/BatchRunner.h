#pragma once

#include "BatchStepExecutor.h"

#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>


namespace Core {
namespace BatchRun {

// Runs the steps of a process list in order on one volume (or on the volume
// a Create Substrate step makes). Every step counts, whether it ran or was
// skipped; a run without a volume stops at the first step that needs one.
class BatchRunner
{
public:
    struct StepReport
    {
        int index = 0;       // 0-based position in the list
        int count = 0;       // steps in the list
        QString name;        // the step's display name
        int code = 0;        // BatchStepExecutor::Code
        QString parameter;   // the parameter that made it give up
        QString reason;      // why it gave up, for the user (BatchStepExecutor::refusal)
        // What a step that ran did, as the window's finish line says it
        // ("10,450 cells changed (Si -10,450), depth 2 µm", "changed nothing
        // — ..."); empty for a step that changes no cells (Save Image).
        QString effect;
        std::uint64_t changedCells = 0;
        bool changedNothing = false;
        qint64 milliseconds = 0;
    };

    struct Summary
    {
        int stepsDone = 0;
        int stepsSkipped = 0;
        // Stopped, or ended, without a volume: no Create Substrate came first
        // (an empty list without a volume counts too).
        bool missingVolume = false;
        bool stoppedOnSkip = false; // stopped: strict run and a step was skipped
        bool stoppedOnRequest = false; // stopped by requestStop() before the last step
    };

    explicit BatchRunner(BatchStepExecutor::Context &context);

    // Stops at the first skipped step instead of going on.
    void setStrict(bool strict) { this->strict = strict; }
    void setStepFinished(std::function<void(const StepReport &)> callback) { stepFinished = std::move(callback); }
    void setStepStarted(std::function<void(int index, int count, const QString &name)> callback)
    {
        stepStarted = std::move(callback);
    }

    Summary run(const QList<ProcessData> &steps);
    // Steps completed in the current run; read from any thread.
    unsigned completed() const { return counter.load(); }
    // The 0-based position of the step running now; -1 between runs.
    int runningStep() const { return running.load(); }
    // From any thread: the run ends after the step it is running (a request
    // made before the run starts ends it before its first step).
    void requestStop() { stopRequested = true; }

private:
    BatchStepExecutor executor;
    BatchStepExecutor::Context &context;
    bool strict = false;
    std::atomic<unsigned> counter{0};
    std::atomic<int> running{-1};
    std::atomic<bool> stopRequested{false};
    std::function<void(const StepReport &)> stepFinished;
    std::function<void(int, int, const QString &)> stepStarted;
};

} // namespace BatchRun
} // namespace Core

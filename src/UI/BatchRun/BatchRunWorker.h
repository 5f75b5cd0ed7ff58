#pragma once

#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"

#include <QList>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace Core {
class Workspace;
namespace Operations {
class BatchRunOperation;
}
}

namespace Ui {

// One batch run on a thread of its own (not one of the global pool: the
// processes fill that pool with their strip tasks and wait for them). It
// runs its own copy of the steps through the shared runner, records the run
// for undo around it and emits `finished` from its thread when done; the
// results may be read once `isRunning` is false.
class BatchRunWorker : public QObject
{
    Q_OBJECT

public:
    // `saveImage` is called on the worker's thread for Save Image steps.
    BatchRunWorker(Core::Workspace *workspace, const QList<Core::BatchRun::ProcessData> &steps,
                   std::shared_ptr<Model::Automaton::TotalVolume> volume,
                   std::function<bool(const QString &)> saveImage);
    // Waits for the thread; call only after `finished` (or never started).
    ~BatchRunWorker() override;

    void start();
    bool isRunning() const { return running.load(); }
    void requestStop() { runner.requestStop(); }
    unsigned completed() const { return runner.completed(); }
    int runningStep() const { return runner.runningStep(); }
    int stepCount() const { return steps.size(); }
    const Core::BatchRun::ProcessData &stepAt(int index) const { return steps.at(index); }

    // After the run.
    Core::BatchRun::BatchRunner::Summary getSummary() const { return summary; }
    QList<Core::BatchRun::BatchRunner::StepReport> getReports() const { return reports; }
    std::shared_ptr<Model::Automaton::TotalVolume> getVolume() const { return context.volume; }
    const std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> &getCreatedVolumes() const
    {
        return context.createdVolumes;
    }
    std::shared_ptr<Core::Operations::BatchRunOperation> getRecord() const { return record; }

signals:
    void finished();

private:
    void work();

    const QList<Core::BatchRun::ProcessData> steps;
    Core::BatchRun::BatchStepExecutor::Context context;
    Core::BatchRun::BatchRunner runner;
    std::shared_ptr<Core::Operations::BatchRunOperation> record;
    Core::BatchRun::BatchRunner::Summary summary;
    QList<Core::BatchRun::BatchRunner::StepReport> reports;
    std::atomic<bool> running{false};
    QThread *thread = nullptr;
};

} // namespace Ui

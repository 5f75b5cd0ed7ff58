#include "UI/BatchRun/BatchRunWorker.h"

#include "Core/Operations/BatchRun/BatchRunOperation.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <QThread>

namespace Ui {

using Core::BatchRun::ProcessData;

BatchRunWorker::BatchRunWorker(Core::Workspace *workspace, const QList<ProcessData> &list,
                               std::shared_ptr<Model::Automaton::TotalVolume> volume,
                               std::function<bool(const QString &)> saveImage)
    : steps(list)
    , runner(context)
    , record(std::make_shared<Core::Operations::BatchRunOperation>(workspace, volume))
{
    context.workspace = workspace;
    context.volume = std::move(volume);
    context.saveImage = std::move(saveImage);
    context.hideNewVolumes = true;
    runner.setStepFinished([this](const Core::BatchRun::BatchRunner::StepReport &report) { reports.append(report); });
}

BatchRunWorker::~BatchRunWorker()
{
    if (thread) {
        thread->wait();
        delete thread;
    }
}

void BatchRunWorker::start()
{
    if (thread)
        return;
    running = true;
    thread = QThread::create([this] { work(); });
    thread->setObjectName(QStringLiteral("kestrum batch worker"));
    thread->start();
}

void BatchRunWorker::work()
{
    try {
        record->saveBefore();
        summary = runner.run(steps);
        record->saveAfter(context.createdVolumes);
    } catch (const std::exception &error) {
        // A step that throws ends the run; what ran so far stays.
        qCWarning(lcBatch) << "Batch run ended by an error:" << error.what();
        summary.stepsDone = int(runner.completed());
        record->saveAfter(context.createdVolumes);
    }
    running = false;
    emit finished();
}

} // namespace Ui

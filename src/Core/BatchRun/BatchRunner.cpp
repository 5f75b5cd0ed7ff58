#include "BatchRunner.h"

#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"
#include "Util/LargeArray.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

namespace Core {
namespace BatchRun {

namespace {

// A wet etch may replace the volume's atomistic lattice while it runs; where
// a window draws during the run the volume is not drawn meanwhile.
class DrawingPause
{
public:
    DrawingPause(const BatchStepExecutor::Context &context, int type)
    {
        const bool wetEtch = type == ProcessTable::listCode(ProcessKey::SiWetEtching)
                             || type == ProcessTable::listCode(ProcessKey::ContinuousWetEtching);
        if (context.hideNewVolumes && context.volume && wetEtch) {
            volume = context.volume;
            wasHidden = volume->getPainter().isHidden();
            volume->getPainter().setHidden(true);
        }
    }
    ~DrawingPause()
    {
        if (volume)
            volume->getPainter().setHidden(wasHidden);
    }

private:
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    bool wasHidden = false;
};

} // namespace

BatchRunner::BatchRunner(BatchStepExecutor::Context &c)
    : context(c)
{
}

BatchRunner::Summary BatchRunner::run(const QList<ProcessData> &steps)
{
    // A step's working memory, given back at its end, serves the next step
    // of the same size without faulting a page in again.
    const Util::LargeAllocation::KeepSpares spares;
    Summary summary;
    counter = 0;
    const int count = steps.size();
    for (int i = 0; i < count; ++i) {
        const ProcessData &step = steps.at(i);
        if (stopRequested) {
            summary.stoppedOnRequest = true;
            break;
        }
        if (!context.volume && BatchStepExecutor::needsVolume(step.getType())) {
            summary.missingVolume = true;
            break;
        }
        const QString name = step.getName();
        if (stepStarted)
            stepStarted(i, count, name);
        running = i;
        QElapsedTimer timer;
        timer.start();
        int code = BatchStepExecutor::Done;
        // Spares serve only a step with working memory of the volume's size.
        const ProcessTable::Kind *kind = ProcessTable::byListCode(step.getType());
        if (!kind || kind->stepBytesPerCell == 0)
            Util::LargeAllocation::releaseSpares();
        {
            const DrawingPause pause(context, step.getType());
            code = executor.execute(step, context);
        }
        StepReport report;
        report.index = i;
        report.count = count;
        report.name = name;
        report.code = code;
        report.parameter = context.failedParameter;
        if (code != BatchStepExecutor::Done) {
            report.reason = BatchStepExecutor::refusal(code, context.failedParameter, context.failureReason);
        } else {
            report.effect = context.effect.text();
            report.changedCells = context.effect.changedCells();
            report.changedNothing = context.effect.changedNothing();
        }
        report.milliseconds = timer.elapsed();
        ++counter;
        if (code == BatchStepExecutor::Done)
            ++summary.stepsDone;
        else
            ++summary.stepsSkipped;
        qCDebug(lcBatch) << "Step" << i + 1 << "of" << count << name << "code" << code << report.milliseconds << "ms"
                         << report.effect;
        if (stepFinished)
            stepFinished(report);
        if (code != BatchStepExecutor::Done && strict) {
            summary.stoppedOnSkip = true;
            break;
        }
    }
    running = -1;
    // Nothing made a volume: the run produced nothing to work on or keep.
    if (!context.volume)
        summary.missingVolume = true;
    return summary;
}

} // namespace BatchRun
} // namespace Core

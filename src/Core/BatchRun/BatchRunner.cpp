#include "BatchRunner.h"

#include "ProcessData.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

namespace Core {
namespace BatchRun {

BatchRunner::BatchRunner(BatchStepExecutor::Context &c)
    : context(c)
{
}

BatchRunner::Summary BatchRunner::run(const QList<ProcessData> &steps)
{
    Summary summary;
    counter = 0;
    const int count = steps.size();
    for (int i = 0; i < count; ++i) {
        const ProcessData &step = steps.at(i);
        if (!context.volume && BatchStepExecutor::needsVolume(step.getType())) {
            summary.missingVolume = true;
            break;
        }
        const QString name = step.getName();
        if (stepStarted)
            stepStarted(i, count, name);
        QElapsedTimer timer;
        timer.start();
        const int code = executor.execute(step, context);
        StepReport report;
        report.index = i;
        report.count = count;
        report.name = name;
        report.code = code;
        report.parameter = context.failedParameter;
        report.reason = context.failureReason;
        report.milliseconds = timer.elapsed();
        ++counter;
        if (code == BatchStepExecutor::Done)
            ++summary.stepsDone;
        else
            ++summary.stepsSkipped;
        qCDebug(lcBatch) << "Step" << i + 1 << "of" << count << name << "code" << code << report.milliseconds << "ms";
        if (stepFinished)
            stepFinished(report);
        if (code != BatchStepExecutor::Done && strict) {
            summary.stoppedOnSkip = true;
            break;
        }
    }
    // Nothing made a volume: the run produced nothing to work on or keep.
    if (!context.volume)
        summary.missingVolume = true;
    return summary;
}

} // namespace BatchRun
} // namespace Core

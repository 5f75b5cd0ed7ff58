#pragma once

#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/ProcessTable.h"
#include "Core/TestOperations.h"

#include <QString>

#include <memory>
#include <vector>

namespace TestSupport {

// What a process left on a volume: its cells and the finish line's account
// of the run ("12 cells changed (...), depth 3 µm"), or why it did not run.
struct ProcessRun
{
    std::vector<std::uint32_t> cells;
    QString effect;
    bool done = false;
};

// The step's options given to the kind's operation as its options dialog
// would, the operation started from its menu on `volume`, which is already
// in the workspace's document.
inline void startFromMenu(Core::Workspace &workspace, const Core::ProcessTable::Kind &kind,
                          const Core::BatchRun::ProcessData &step,
                          const std::shared_ptr<Model::Automaton::TotalVolume> &volume)
{
    using Core::Operations::VolumeProcessOperation;
    playDialogs<VolumeProcessOperation>(
        workspace,
        [&kind, step](VolumeProcessOperation &op) {
            kind.configure(op, step);
            op.end();
        },
        [&workspace, &kind](std::uint32_t) {
            return std::dynamic_pointer_cast<VolumeProcessOperation>(kind.makeOperation(&workspace));
        });
    workspace.getSelection().select(volume);
    workspace.activate(kind.menuId);
}

// The same in a workspace of its own: the cells it left and its finish line.
inline ProcessRun runFromMenu(Core::ProcessKey key, const Core::BatchRun::ProcessData &step,
                              const std::shared_ptr<Model::Automaton::TotalVolume> &volume)
{
    const Core::ProcessTable::Kind &kind = Core::ProcessTable::kind(key);
    Core::Workspace workspace;
    workspace.getDocument().addObject(volume);
    startFromMenu(workspace, kind, step, volume);
    const QString message = workspace.getConsoleInput().getMessage();
    const QString head = kind.operationName + QStringLiteral(": Operation finished: ");
    ProcessRun run;
    run.cells = volume->materialIds();
    run.done = message.startsWith(head);
    run.effect = run.done ? message.mid(head.size()).chopped(1) : message;
    return run;
}

// The step run by the batch runner on `volume`.
inline ProcessRun runAsStep(const Core::BatchRun::ProcessData &step,
                            const std::shared_ptr<Model::Automaton::TotalVolume> &volume)
{
    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = volume;
    Core::BatchRun::BatchRunner runner(context);
    QList<Core::BatchRun::BatchRunner::StepReport> reports;
    runner.setStepFinished([&reports](const Core::BatchRun::BatchRunner::StepReport &report) { reports << report; });
    runner.run({step});
    ProcessRun run;
    run.cells = volume->materialIds();
    if (reports.size() == 1) {
        run.done = reports[0].code == Core::BatchRun::BatchStepExecutor::Done;
        run.effect = run.done ? reports[0].effect : reports[0].reason;
    }
    return run;
}

// A step of the kind with its default values and `settings` over them.
inline Core::BatchRun::ProcessData stepOf(Core::ProcessKey key, const QVariantMap &settings)
{
    Core::BatchRun::ProcessData step = Core::ProcessTable::defaultStep(key);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        step.setParameter(it.key(), it.value(), true);
    return step;
}

} // namespace TestSupport

#include "RecipeJob.h"

#include "Core/ProcessTable.h"

#include "ProcessData.h"
#include "ProcessListArchiver.h"
#include "StepSettings.h"
#include "SubstrateStep.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Model/Process/ProcessFactory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace Core {
namespace BatchRun {

RecipeJob::RecipeJob()
    : recipeSteps(std::make_unique<QList<ProcessData>>())
{
    // The catalogues load on first use, from the same files as the program.
    Model::Materials::MaterialFactory::getInstance();
    Model::Process::ProcessFactory::getInstance();
    batchRunner = std::make_unique<BatchRunner>(runContext);
    batchRunner->setStepStarted([this](int index, int count, const QString &name) {
        if (stepStarted)
            stepStarted(index, count, name);
    });
    batchRunner->setStepFinished([this](const BatchRunner::StepReport &report) {
        stepReports.append(report);
        if (report.code != BatchStepExecutor::Done)
            skippedSteps.append(report);
        if (stepFinished)
            stepFinished(report);
    });
}

RecipeJob::~RecipeJob() = default;

Workspace &RecipeJob::workspace()
{
    if (!space) {
        space = std::make_unique<Workspace>(QDir::tempPath());
        runContext.workspace = space.get();
    }
    return *space;
}

const QList<ProcessData> &RecipeJob::steps() const
{
    return *recipeSteps;
}

QList<ProcessData> &RecipeJob::steps()
{
    return *recipeSteps;
}

bool RecipeJob::refuse(Exit exit, const QString &text)
{
    code = exit;
    message = text;
    return false;
}

bool RecipeJob::loadRecipe(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile())
        return refuse(InputError, QStringLiteral("cannot read the process list \"%1\": no such file.").arg(fileName));
    ProcessListArchiver archiver;
    QList<ProcessData> read;
    if (!archiver.loadProcessList(fileName, read))
        return refuse(InputError,
                      QStringLiteral("cannot read the process list \"%1\": %2").arg(fileName, archiver.errorString()));
    *recipeSteps = read;
    return true;
}

bool RecipeJob::applySettings(const QStringList &settings)
{
    StepSettings overrides;
    const bool applied = overrides.apply(settings, *recipeSteps);
    valueRefused = overrides.refusedValue();
    if (!applied)
        return refuse(UsageError, overrides.errorString());
    return true;
}

bool RecipeJob::loadInput(const QString &fileName)
{
    Model::Persistence::DocumentReader reader(workspace().getArchivers());
    const auto result = reader.load(space->getDocument(), fileName);
    if (!result.ok)
        return refuse(InputError, QStringLiteral("cannot open \"%1\": %2").arg(fileName, result.errorMessage));
    readerWarnings = result.warnings;
    for (const auto &object : space->getDocument().getAllObjects()) {
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)) {
            runContext.volume = volume;
            break;
        }
    }
    return true;
}

RecipeJob::Exit RecipeJob::run(bool strict)
{
    workspace();
    skippedSteps.clear();
    stepReports.clear();
    batchRunner->setStrict(strict);
    runSummary = batchRunner->run(*recipeSteps);
    if (runSummary.missingVolume) {
        QString text = QStringLiteral("Missing Cell Volume: No cell volume was selected and a cell volume was not "
                                      "created. The cell volume must be created before any other process.");
        // A Create Substrate step that was skipped is why: say what stopped it.
        const std::int32_t substrate = ProcessTable::listCode(ProcessKey::CreateSubstrate);
        for (const BatchRunner::StepReport &skipped : std::as_const(skippedSteps)) {
            if (skipped.index < recipeSteps->size() && recipeSteps->at(skipped.index).getType() == substrate) {
                text += QStringLiteral(" Step %1 (%2) was skipped: %3.").arg(skipped.index + 1).arg(skipped.name,
                                                                                                  skipped.reason);
                break;
            }
        }
        refuse(MissingVolume, text);
        return MissingVolume;
    }
    if (runSummary.stoppedOnSkip) {
        refuse(StepSkipped, QStringLiteral("stopped at the first skipped step (--strict); no document written."));
        return StepSkipped;
    }
    return Success;
}

std::shared_ptr<Model::Automaton::TotalVolume> RecipeJob::resultVolume()
{
    for (const auto &object : workspace().getDocument().getAllObjects()) {
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object))
            return volume;
    }
    return nullptr;
}

bool RecipeJob::plannedResultBox(Util::Vector3D *low, Util::Vector3D *high)
{
    if (const auto volume = resultVolume()) {
        *low = volume->getPosition();
        *high = *low + Util::Vector3D(double(volume->getSizeX()) * volume->getCellSizeX(),
                                      double(volume->getSizeY()) * volume->getCellSizeY(),
                                      double(volume->getSizeZ()) * volume->getCellSizeZ());
        return true;
    }
    // Into an empty document a new volume goes where its step puts it; a
    // step that would be skipped leaves the volume to a later one.
    const std::int32_t substrate = ProcessTable::listCode(ProcessKey::CreateSubstrate);
    for (const ProcessData &step : std::as_const(*recipeSteps)) {
        if (step.getType() == substrate && SubstrateStep::plannedBox(step, low, high))
            return true;
    }
    return false;
}

bool RecipeJob::checkOutput(const QString &fileName)
{
    const QString unwritable = whyUnwritable(fileName);
    if (!unwritable.isEmpty())
        return refuse(OutputError, QStringLiteral("cannot write \"%1\": %2").arg(fileName, unwritable));
    return true;
}

bool RecipeJob::save(const QString &fileName)
{
    if (!checkOutput(fileName))
        return false;
    Model::Persistence::DocumentWriter writer(workspace().getArchivers());
    const auto written = writer.save(space->getDocument(), fileName);
    if (!written.ok)
        return refuse(OutputError, QStringLiteral("cannot write \"%1\": %2")
                                       .arg(fileName, written.detail.isEmpty() ? written.errorMessage : written.detail));
    return true;
}

// Found before any work is done: the folder must exist and take a new file
// (the file is replaced through a temporary one beside it), and the target
// must be a file if it exists. A pipe, a device or a socket is refused
// without being opened: opening a pipe waits for a reader, for ever if none comes.
QString RecipeJob::whyUnwritable(const QString &path)
{
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("it is a folder.");
    if (target.exists() && !target.isFile())
        return QStringLiteral("it is no regular file (a pipe, a device or a socket).");
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return QStringLiteral("the folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder.path()));
    QTemporaryFile probe(folder.filePath(QStringLiteral(".kestrum-batch-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("the folder \"%1\" does not take new files (%2).")
            .arg(QDir::toNativeSeparators(folder.path()), probe.errorString());
    if (target.exists() && !target.isWritable())
        return QStringLiteral("the file is write-protected.");
    return QString();
}

} // namespace BatchRun
} // namespace Core

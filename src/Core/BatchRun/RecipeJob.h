#pragma once

#include "BatchRunner.h"
#include "BatchStepExecutor.h"

#include "Util/Vector3D.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {

class Workspace;

namespace BatchRun {

class ProcessData;

// One run of a process list outside the window: read the list, start from
// the first volume of a document, run the steps, write the result. The
// command-line tool and the Python module both go through it, so they
// refuse the same input with the same sentences. Each stage returns false
// on failure and leaves the exit code and the message behind.
class RecipeJob
{
public:
    // The command-line tool's exit codes.
    enum Exit {
        Success = 0,
        UsageError = 2,
        InputError = 3,
        MissingVolume = 4,
        StepSkipped = 5,
        OutputError = 6,
        NoDisplay = 7,
        NoModel = 8,
    };

    RecipeJob();
    ~RecipeJob();
    RecipeJob(const RecipeJob &) = delete;
    RecipeJob &operator=(const RecipeJob &) = delete;

    bool loadRecipe(const QString &fileName);
    // Overrides step parameters ("3.Thickness=4", see StepSettings); refused
    // settings change nothing and give the usage exit code.
    bool applySettings(const QStringList &settings);
    // Starts from the first cell volume of the document; warnings() tells
    // what the reader had to mend on the way.
    bool loadInput(const QString &fileName);
    Exit run(bool strict);
    // Refuses a document path that cannot be written (see whyUnwritable);
    // save() checks it too.
    bool checkOutput(const QString &fileName);
    bool save(const QString &fileName);

    int failureCode() const { return code; }
    QString failureMessage() const { return message; }
    // The settings were refused for a value outside its range or choices
    // (the Python module raises ValueError for it).
    bool refusedValue() const { return valueRefused; }
    QStringList warnings() const { return readerWarnings; }

    const QList<ProcessData> &steps() const;
    QList<ProcessData> &steps();
    // Made on first use, so a caller may swap its application object first.
    Workspace &workspace();
    BatchStepExecutor::Context &context() { return runContext; }
    // Called as each step starts and ends (on the thread that runs them).
    void setStepStarted(std::function<void(int index, int count, const QString &name)> callback)
    {
        stepStarted = std::move(callback);
    }
    void setStepFinished(std::function<void(const BatchRunner::StepReport &)> callback)
    {
        stepFinished = std::move(callback);
    }
    const BatchRunner::Summary &summary() const { return runSummary; }
    // The first cell volume of the document: the input's, or else the one
    // the first Create Substrate step that ran made. What the outputs that
    // take one volume (an export, a section) are made of; null when none.
    std::shared_ptr<Model::Automaton::TotalVolume> resultVolume();
    // The box in world µm that resultVolume() will fill once the steps have
    // run, where that is known before: the input's first volume, or else the
    // volume of the first Create Substrate step whose parameters are usable.
    // False when neither is there.
    bool plannedResultBox(Util::Vector3D *low, Util::Vector3D *high);
    // The steps that were skipped, in list order.
    const QList<BatchRunner::StepReport> &skipped() const { return skippedSteps; }
    // Every step that ran or was skipped, in list order, with what it did.
    const QList<BatchRunner::StepReport> &reports() const { return stepReports; }

    // Why a file could not be written to `path`; empty when it can.
    static QString whyUnwritable(const QString &path);

private:
    bool refuse(Exit exit, const QString &text);

    std::unique_ptr<Workspace> space;
    BatchStepExecutor::Context runContext;
    std::unique_ptr<BatchRunner> batchRunner;
    std::unique_ptr<QList<ProcessData>> recipeSteps;
    BatchRunner::Summary runSummary;
    QList<BatchRunner::StepReport> skippedSteps;
    QList<BatchRunner::StepReport> stepReports;
    QStringList readerWarnings;
    std::function<void(int, int, const QString &)> stepStarted;
    std::function<void(const BatchRunner::StepReport &)> stepFinished;
    int code = Success;
    QString message;
    bool valueRefused = false;
};

} // namespace BatchRun
} // namespace Core

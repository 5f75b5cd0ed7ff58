// kestrum-batch: runs a process list (".plst") on a cell volume without the
// interactive program and writes the resulting document.

#include "BatchImageRenderer.h"
#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Model/Process/ProcessFactory.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThreadPool>

#include <cstdio>
#include <memory>

namespace {

enum ExitCode {
    Success = 0,
    UsageError = 2,
    InputError = 3,
    MissingVolume = 4,
    StepSkipped = 5,
    OutputError = 6,
    NoDisplay = 7,
};

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

int fail(int code, const QString &text)
{
    say(QStringLiteral("kestrum-batch: ") + text);
    return code;
}

const char *helpText =
    "Runs the steps of a process list (\".plst\") one after another on a cell volume,\n"
    "exactly as the Batch Run dialog does, and writes the resulting document (\".kst\").\n"
    "\n"
    "The steps work on the first cell volume of --input, or on the volume that a\n"
    "Create Substrate step of the list makes. A list without either stops at its first\n"
    "step with \"Missing Cell Volume\".\n"
    "\n"
    "Progress goes to standard error: one line per step with its number, name and time;\n"
    "a step whose parameters are missing or unusable is skipped and reported.\n"
    "--image and Save Image steps render the scene, which needs a display (for example\n"
    "run under xvfb-run); without one the tool says so and stops.\n"
    "The material and process catalogues are read from the \"Kestrum\" folder in the\n"
    "home directory, as the program reads them.\n"
    "\n"
    "Exit codes: 0 success, 2 usage, 3 unreadable recipe or input document,\n"
    "4 no cell volume, 5 a step was skipped with --strict, 6 the output could not be\n"
    "written, 7 an image was asked for but no display is available.";

bool displayAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"));
}

// Why a file could not be written to `path`, found before any work is done:
// the folder must exist and take a new file (the file is replaced through a
// temporary one beside it), and the target must be no folder. Empty when it
// can. Devices such as /dev/null are written in place and only opened here.
QString whyUnwritable(const QString &path)
{
    const QFileInfo target(path);
    if (target.isDir())
        return QStringLiteral("it is a folder.");
    if (target.exists() && !target.isFile()) {
        QFile device(path);
        return device.open(QIODevice::WriteOnly | QIODevice::Append) ? QString() : device.errorString();
    }
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

bool listSavesImages(const QList<Core::BatchRun::ProcessData> &steps)
{
    for (const auto &step : steps) {
        if (step.getType() == Core::ProcessTable::listCode(Core::ProcessKey::SaveImage))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // Start with a plain core application: a widget application cannot even
    // start without a display, and most runs need none.
    std::unique_ptr<QCoreApplication> app;
    app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrum-batch"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(helpText));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("recipe"), QStringLiteral("The process list to run (.plst)."),
                                 QStringLiteral("RECIPE.plst"));
    const QCommandLineOption outputOption(QStringLiteral("output"),
                                          QStringLiteral("Write the resulting document to <file> (.kst). Required."),
                                          QStringLiteral("file"));
    const QCommandLineOption inputOption(QStringLiteral("input"),
                                         QStringLiteral("Start from the first cell volume of this document (.kst)."),
                                         QStringLiteral("file"));
    const QCommandLineOption imageOption(QStringLiteral("image"),
                                         QStringLiteral("Also save a rendered view of the final scene (needs a display)."),
                                         QStringLiteral("file"));
    const QCommandLineOption threadsOption(QStringLiteral("threads"),
                                           QStringLiteral("Use <n> worker threads (default: one per core)."),
                                           QStringLiteral("n"));
    const QCommandLineOption strictOption(QStringLiteral("strict"),
                                          QStringLiteral("Fail on the first skipped step instead of going on."));
    parser.addOptions({outputOption, inputOption, imageOption, threadsOption, strictOption});
    parser.process(*app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(UsageError, QStringLiteral("give exactly one process list (see --help)."));
    if (!parser.isSet(outputOption) || parser.value(outputOption).isEmpty())
        return fail(UsageError, QStringLiteral("--output is required (see --help)."));
    if (parser.isSet(threadsOption)) {
        bool ok = false;
        const int threads = parser.value(threadsOption).toInt(&ok);
        if (!ok || threads < 1 || threads > 1024)
            return fail(UsageError, QStringLiteral("--threads takes a whole number from 1 to 1024."));
        QThreadPool::globalInstance()->setMaxThreadCount(threads);
    }

    // Found out now rather than after minutes of work.
    const QString output = parser.value(outputOption);
    QString unwritable = whyUnwritable(output);
    if (!unwritable.isEmpty())
        return fail(OutputError, QStringLiteral("cannot write \"%1\": %2").arg(output, unwritable));
    if (parser.isSet(imageOption)) {
        unwritable = whyUnwritable(parser.value(imageOption));
        if (!unwritable.isEmpty())
            return fail(OutputError,
                        QStringLiteral("cannot write the image \"%1\": %2").arg(parser.value(imageOption), unwritable));
    }

    // The catalogues load on first use, from the same files as the program.
    Model::Materials::MaterialFactory::getInstance();
    Model::Process::ProcessFactory::getInstance();

    const QString recipe = positional.first();
    if (!QFileInfo(recipe).isFile())
        return fail(InputError, QStringLiteral("cannot read the process list \"%1\": no such file.").arg(recipe));
    QList<Core::BatchRun::ProcessData> steps;
    Core::BatchRun::ProcessListArchiver archiver;
    if (!archiver.loadProcessList(recipe, steps))
        return fail(InputError,
                    QStringLiteral("cannot read the process list \"%1\": %2").arg(recipe, archiver.errorString()));

    const bool needsImages = parser.isSet(imageOption) || listSavesImages(steps);
    if (needsImages) {
        if (!displayAvailable())
            return fail(NoDisplay, QStringLiteral("rendering images needs a display, and none is available. "
                                                  "Run under a virtual display, for example: xvfb-run -a kestrum-batch ..."));
        // Images need widgets: swap the core application for a widget one.
        app.reset();
        app = Kestrum::BatchImageRenderer::createApplication(argc, argv);
    }

    Core::Workspace workspace(QDir::tempPath());
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;

    if (parser.isSet(inputOption)) {
        const QString input = parser.value(inputOption);
        Model::Persistence::DocumentReader reader(workspace.getArchivers());
        const auto result = reader.load(workspace.getDocument(), input);
        if (!result.ok)
            return fail(InputError, QStringLiteral("cannot open \"%1\": %2").arg(input, result.errorMessage));
        for (const QString &warning : result.warnings)
            say(QStringLiteral("kestrum-batch: %1: %2").arg(input, warning));
        for (const auto &object : workspace.getDocument().getAllObjects()) {
            if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)) {
                context.volume = volume;
                break;
            }
        }
    }

    std::unique_ptr<Kestrum::BatchImageRenderer> renderer;
    if (needsImages) {
        renderer = std::make_unique<Kestrum::BatchImageRenderer>(&workspace);
        context.saveImage = [&renderer, &context](const QString &fileName) {
            const bool saved = renderer->save(fileName);
            if (!saved)
                context.failureReason = QStringLiteral("the image \"%1\" could not be saved: %2")
                                            .arg(fileName, renderer->errorString());
            return saved;
        };
    }

    Core::BatchRun::BatchRunner runner(context);
    runner.setStrict(parser.isSet(strictOption));
    runner.setStepStarted([](int index, int count, const QString &name) {
        say(QStringLiteral("[%1/%2] %3 ...").arg(index + 1).arg(count).arg(name));
    });
    runner.setStepFinished([](const Core::BatchRun::BatchRunner::StepReport &report) {
        const QString head = QStringLiteral("[%1/%2] %3").arg(report.index + 1).arg(report.count).arg(report.name);
        if (report.code == Core::BatchRun::BatchStepExecutor::Done) {
            say(QStringLiteral("%1 done in %2 ms").arg(head).arg(report.milliseconds));
        } else {
            QString reason = report.reason;
            if (reason.isEmpty()) {
                reason = Core::BatchRun::BatchStepExecutor::describe(report.code);
                if (!report.parameter.isEmpty())
                    reason += QStringLiteral(" (\"%1\")").arg(report.parameter);
            }
            say(QStringLiteral("%1 skipped: %2").arg(head, reason));
        }
    });
    const auto summary = runner.run(steps);
    if (summary.missingVolume)
        return fail(MissingVolume,
                    QStringLiteral("Missing Cell Volume: No cell volume was selected and a cell volume was not created. "
                                   "The cell volume must be created before any other process."));
    if (summary.stoppedOnSkip)
        return fail(StepSkipped, QStringLiteral("stopped at the first skipped step (--strict); no document written."));

    Model::Persistence::DocumentWriter writer(workspace.getArchivers());
    const auto written = writer.save(workspace.getDocument(), output);
    if (!written.ok)
        return fail(OutputError, QStringLiteral("cannot write \"%1\": %2").arg(output, written.detail.isEmpty()
                                                                                        ? written.errorMessage
                                                                                        : written.detail));
    say(QStringLiteral("kestrum-batch: %1 of %2 steps done, %3 skipped; document written to %4")
            .arg(summary.stepsDone)
            .arg(steps.size())
            .arg(summary.stepsSkipped)
            .arg(QFileInfo(output).absoluteFilePath()));

    if (parser.isSet(imageOption)) {
        const QString image = parser.value(imageOption);
        if (!renderer->save(image))
            return fail(OutputError, QStringLiteral("cannot write the image \"%1\": %2").arg(image, renderer->errorString()));
        say(QStringLiteral("kestrum-batch: image written to %1").arg(QFileInfo(image).absoluteFilePath()));
    }
    return Success;
}

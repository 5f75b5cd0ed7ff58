// kestrum-batch: runs a process list (".plst") on a cell volume without the
// interactive program and writes the resulting document.

#include "BatchImageRenderer.h"
#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/RecipeJob.h"
#include "Core/Operations/ModelExtraction/VolumeNetlist.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/CatalogueProblems.h"
#include "Model/Document.h"
#include "Model/Persistence/VolumeExport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThreadPool>

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Core::BatchRun::RecipeJob;

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
    "Progress goes to standard error: one line per step with its number, name and time,\n"
    "then what it did (\"10,450 cells changed (Si -10,450)\" and the thickness or depth\n"
    "reached; a step that changed nothing says \"warning: changed nothing\" and why, where\n"
    "that is known);\n"
    "a step whose parameters are missing or unusable is skipped and reported.\n"
    "--image and Save Image steps render the scene, which needs a display (for example\n"
    "run under xvfb-run); without one the tool says so and stops.\n"
    "--export writes the first cell volume for other tools, the format following the\n"
    "extension: .vti (VTK image data), .stl or .obj (closed surfaces, one per material).\n"
    "The material and process catalogues are read from the \"Kestrum\" folder in the\n"
    "home directory, as the program reads them.\n"
    "\n"
    "Every file the run writes must be a file of its own: two outputs (the options above\n"
    "and the Save Image steps' files) naming the same file, or an output that exists as\n"
    "something else than a file (a pipe, a device), are refused before any work.\n"
    "\n"
    "Exit codes: 0 success, 2 usage (also a refused --set and the refused outputs above),\n"
    "3 unreadable recipe or input document, 4 no cell volume, 5 a step was skipped with\n"
    "--strict, 6 an output could not be written (the file there before is kept; also past\n"
    "the file-size limit, ulimit -f), 7 an image was asked for but no display is\n"
    "available, 8 --netlist found no cantilever to write.";

// What the command line asks for. An option is one field here and one line
// in optionTable().
struct Options
{
    QString recipe;
    QString output;
    QString input;
    QString image;
    QString netlist;
    QString exportFile;
    QString threads;
    QStringList settings;
    bool strict = false;
};

// One command-line option and the field it fills: a value option writes
// `text`, a repeatable one appends to `list`, a switch sets `flag`.
struct OptionLine
{
    QCommandLineOption option;
    QString Options::*text = nullptr;
    QStringList Options::*list = nullptr;
    bool Options::*flag = nullptr;
};

OptionLine valueOption(const char *name, const char *valueName, const char *help, QString Options::*field)
{
    return {QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(valueName)),
            field, nullptr, nullptr};
}

OptionLine repeatedOption(const char *name, const char *valueName, const char *help, QStringList Options::*field)
{
    return {QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(valueName)),
            nullptr, field, nullptr};
}

OptionLine switchOption(const char *name, const char *help, bool Options::*field)
{
    return {QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help)), nullptr, nullptr, field};
}

std::vector<OptionLine> optionTable()
{
    return {
        valueOption("output", "file", "Write the resulting document to <file> (.kst). Required.", &Options::output),
        valueOption("input", "file", "Start from the first cell volume of this document (.kst).", &Options::input),
        valueOption("image", "file", "Also save a rendered view of the final scene (needs a display).",
                    &Options::image),
        valueOption("netlist", "file", "Also write the circuit netlist of the final volume's cantilevers to <file> (.cir).",
                    &Options::netlist),
        valueOption("export", "file", "Also export the first cell volume to <file> (.vti, .stl or .obj).",
                    &Options::exportFile),
        valueOption("threads", "n", "Use <n> worker threads (default: one per core).", &Options::threads),
        repeatedOption("set", "STEP.PARAM=VALUE",
                       "Before the run, set parameter PARAM of step STEP (1-based) to VALUE, as the process list "
                       "names and writes it (for example 3.Thickness=4). Repeatable.",
                       &Options::settings),
        switchOption("strict", "Fail on the first skipped step instead of going on.", &Options::strict),
    };
}

constexpr int parsed = -1;

// Reads the command line into `options`; `parsed` when the run may go on,
// otherwise the exit code (--help and --version exit inside).
int parseArguments(const QCoreApplication &app, Options &options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(helpText) + QStringLiteral("\n\n")
                                     + Core::ProcessTable::stepReference());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("recipe"), QStringLiteral("The process list to run (.plst)."),
                                 QStringLiteral("RECIPE.plst"));
    const std::vector<OptionLine> table = optionTable();
    for (const OptionLine &line : table)
        parser.addOption(line.option);
    parser.process(app);

    for (const OptionLine &line : table) {
        if (line.text)
            options.*line.text = parser.value(line.option);
        else if (line.list)
            options.*line.list = parser.values(line.option);
        else if (line.flag)
            options.*line.flag = parser.isSet(line.option);
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(RecipeJob::UsageError, QStringLiteral("give exactly one process list (see --help)."));
    options.recipe = positional.first();
    if (options.output.isEmpty())
        return fail(RecipeJob::UsageError, QStringLiteral("--output is required (see --help)."));
    if (!options.threads.isEmpty()) {
        bool ok = false;
        const int threads = options.threads.toInt(&ok);
        if (!ok || threads < 1 || threads > 1024)
            return fail(RecipeJob::UsageError, QStringLiteral("--threads takes a whole number from 1 to 1024."));
    }
    return parsed;
}

bool displayAvailable()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return false;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
        || (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"));
}

bool listSavesImages(const QList<Core::BatchRun::ProcessData> &steps)
{
    for (const auto &step : steps) {
        if (step.getType() == Core::ProcessTable::listCode(Core::ProcessKey::SaveImage))
            return true;
    }
    return false;
}

// A file the run will write and what names it ("--output", "Save Image step 3").
struct OutputFile
{
    QString source;
    QString path;
    // A Save Image step's file.
    bool step = false;
    // An STL export, which writes "name_<id>.stl" beside "name.stl" when the
    // volume holds several materials.
    bool materialParts = false;
};

QList<OutputFile> optionOutputs(const Options &options)
{
    QList<OutputFile> outputs{{QStringLiteral("--output"), options.output, false, false}};
    if (!options.image.isEmpty())
        outputs.append({QStringLiteral("--image"), options.image, false, false});
    if (!options.netlist.isEmpty())
        outputs.append({QStringLiteral("--netlist"), options.netlist, false, false});
    if (!options.exportFile.isEmpty()) {
        const QString suffix = QFileInfo(options.exportFile).suffix();
        outputs.append({QStringLiteral("--export"), options.exportFile, false,
                        suffix.compare(QLatin1String("stl"), Qt::CaseInsensitive) == 0});
    }
    return outputs;
}

QList<OutputFile> imageStepOutputs(const QList<Core::BatchRun::ProcessData> &steps)
{
    QList<OutputFile> outputs;
    for (int i = 0; i < steps.size(); ++i) {
        if (steps[i].getType() != Core::ProcessTable::listCode(Core::ProcessKey::SaveImage))
            continue;
        const QString fileName = steps[i].getParameter(QStringLiteral("Filename")).toString();
        if (!fileName.isEmpty()) // an empty name only refreshes the view
            outputs.append({QStringLiteral("Save Image step %1").arg(i + 1), fileName, true, false});
    }
    return outputs;
}

// The file a path ends up at: symbolic links and "." or ".." resolved as far
// as the path exists. A link to a file not there yet counts as its target,
// since the file is written there.
QString canonicalPath(const QString &path, int links = 0)
{
    const QFileInfo info(path);
    const QString existing = info.canonicalFilePath();
    if (!existing.isEmpty())
        return existing;
    if (info.isSymLink() && links < 40) // more hops than that: a loop
        return canonicalPath(info.symLinkTarget(), links + 1);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : QDir(folder).filePath(info.fileName());
}

// True when writing `first` also writes the file `second` names. Which
// materials an STL export will hold is known only after the run, so every
// "name_<id>.stl" it might write counts.
bool writesOver(const OutputFile &first, const OutputFile &second)
{
    const QString a = canonicalPath(first.path), b = canonicalPath(second.path);
    if (a == b)
        return true;
    if (!first.materialParts)
        return false;
    const QFileInfo exported(a), other(b);
    const QRegularExpression part(QStringLiteral("^%1_\\d+\\.%2$")
                                      .arg(QRegularExpression::escape(exported.completeBaseName()),
                                           QRegularExpression::escape(exported.suffix())));
    return exported.path() == other.path() && part.match(other.fileName()).hasMatch();
}

// Refuses, with the usage exit code and before anything is read or written,
// an output that exists as something else than a file or a folder (opening a
// pipe to test it would wait for a reader for ever) and two outputs naming the
// same file, which would leave only the last one written. Save Image steps may
// share a file among themselves: each replaces the picture of the one before.
int refuseOutputs(const QList<OutputFile> &outputs, const QList<OutputFile> &earlier = {})
{
    for (const OutputFile &output : outputs) {
        const QFileInfo info(output.path);
        if (info.exists() && !info.isFile() && !info.isDir())
            return fail(RecipeJob::UsageError,
                        QStringLiteral("%1 \"%2\" is no regular file (a pipe, a device or a socket); "
                                       "give the name of a file to write.")
                            .arg(output.source, output.path));
    }
    const QList<OutputFile> all = earlier + outputs;
    for (int i = earlier.size(); i < all.size(); ++i) {
        for (int j = 0; j < i; ++j) {
            if ((all[i].step && all[j].step) || !(writesOver(all[i], all[j]) || writesOver(all[j], all[i])))
                continue;
            const QString twice = canonicalPath(all[i].materialParts ? all[j].path : all[i].path);
            return fail(RecipeJob::UsageError,
                        QStringLiteral("%1 and %2 both write \"%3\"; give each output a file of its own.")
                            .arg(all[j].source, all[i].source, twice));
        }
    }
    return parsed;
}

// Everything a run keeps until its outputs are written.
struct Session
{
    std::unique_ptr<QCoreApplication> app;
    RecipeJob job;
    std::unique_ptr<Kestrum::BatchImageRenderer> renderer;
};

void reportSteps(RecipeJob &job)
{
    job.setStepStarted([](int index, int count, const QString &name) {
        say(QStringLiteral("[%1/%2] %3 ...").arg(index + 1).arg(count).arg(name));
    });
    job.setStepFinished([](const Core::BatchRun::BatchRunner::StepReport &report) {
        const QString head = QStringLiteral("[%1/%2] %3").arg(report.index + 1).arg(report.count).arg(report.name);
        if (report.code == Core::BatchRun::BatchStepExecutor::Done) {
            say(QStringLiteral("%1 done in %2 ms").arg(head).arg(report.milliseconds));
            if (!report.effect.isEmpty())
                say(QStringLiteral("%1: %2%3.")
                        .arg(head, report.changedNothing ? QStringLiteral("warning: ") : QString(), report.effect));
        } else {
            say(QStringLiteral("%1 skipped: %2").arg(head, report.reason));
        }
    });
}

// Checks the outputs, reads the recipe and the input and runs the steps;
// `parsed` when there is a result to write, otherwise the exit code.
int runRecipe(const Options &options, Session &session, int &argc, char *argv[])
{
    if (!options.threads.isEmpty())
        QThreadPool::globalInstance()->setMaxThreadCount(options.threads.toInt());

    if (!options.exportFile.isEmpty() && !Model::Persistence::VolumeExport::isSupported(options.exportFile))
        return fail(RecipeJob::UsageError, QStringLiteral("--export takes a file name ending in .vti, .stl or .obj."));

    // Found out now rather than after minutes of work.
    const QList<OutputFile> outputs = optionOutputs(options);
    const int refused = refuseOutputs(outputs);
    if (refused != parsed)
        return refused;
    RecipeJob &job = session.job;
    if (!job.checkOutput(options.output))
        return fail(job.failureCode(), job.failureMessage());
    if (!options.image.isEmpty()) {
        const QString imageUnwritable = RecipeJob::whyUnwritable(options.image);
        if (!imageUnwritable.isEmpty())
            return fail(RecipeJob::OutputError,
                        QStringLiteral("cannot write the image \"%1\": %2").arg(options.image, imageUnwritable));
    }

    if (!job.loadRecipe(options.recipe))
        return fail(job.failureCode(), job.failureMessage());
    if (!job.applySettings(options.settings))
        return fail(job.failureCode(), job.failureMessage());
    const int stepRefused = refuseOutputs(imageStepOutputs(job.steps()), outputs);
    if (stepRefused != parsed)
        return stepRefused;

    const bool needsImages = !options.image.isEmpty() || listSavesImages(job.steps());
    if (needsImages) {
        if (!displayAvailable())
            return fail(RecipeJob::NoDisplay,
                        QStringLiteral("rendering images needs a display, and none is available. "
                                       "Run under a virtual display, for example: xvfb-run -a kestrum-batch ..."));
        // Images need widgets: swap the core application for a widget one.
        session.app.reset();
        session.app = Kestrum::BatchImageRenderer::createApplication(argc, argv);
    }

    if (!options.input.isEmpty()) {
        if (!job.loadInput(options.input))
            return fail(job.failureCode(), job.failureMessage());
        for (const QString &warning : job.warnings())
            say(QStringLiteral("kestrum-batch: %1: %2").arg(options.input, warning));
    }

    if (needsImages) {
        session.renderer = std::make_unique<Kestrum::BatchImageRenderer>(&job.workspace());
        auto &context = job.context();
        Kestrum::BatchImageRenderer *renderer = session.renderer.get();
        context.saveImage = [renderer, &context](const QString &fileName) {
            const bool saved = renderer->save(fileName);
            if (!saved)
                context.failureReason = QStringLiteral("the image \"%1\" could not be saved: %2")
                                            .arg(fileName, renderer->errorString());
            return saved;
        };
    }

    reportSteps(job);
    if (job.run(options.strict) != RecipeJob::Success)
        return fail(job.failureCode(), job.failureMessage());
    return parsed;
}

// Writes the document and the image the command line asked for.
int writeOutputs(const Options &options, Session &session)
{
    RecipeJob &job = session.job;
    if (!job.save(options.output))
        return fail(job.failureCode(), job.failureMessage());
    const auto &summary = job.summary();
    say(QStringLiteral("kestrum-batch: %1 of %2 steps done, %3 skipped; document written to %4")
            .arg(summary.stepsDone)
            .arg(job.steps().size())
            .arg(summary.stepsSkipped)
            .arg(QFileInfo(options.output).absoluteFilePath()));

    if (!options.image.isEmpty()) {
        if (!session.renderer->save(options.image))
            return fail(RecipeJob::OutputError, QStringLiteral("cannot write the image \"%1\": %2")
                                                    .arg(options.image, session.renderer->errorString()));
        say(QStringLiteral("kestrum-batch: image written to %1").arg(QFileInfo(options.image).absoluteFilePath()));
    }
    if (!options.exportFile.isEmpty()) {
        QString error;
        QStringList files;
        std::shared_ptr<Model::Automaton::TotalVolume> volume;
        for (const auto &object : job.workspace().getDocument().getAllObjects()) {
            if ((volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)))
                break;
        }
        if (!volume || !Model::Persistence::VolumeExport::write(*volume, options.exportFile, &error, &files))
            return fail(RecipeJob::OutputError,
                        QStringLiteral("cannot export to \"%1\": %2")
                            .arg(options.exportFile, volume ? error : QStringLiteral("there is no cell volume")));
        say(QStringLiteral("kestrum-batch: exported to %1").arg(files.join(QStringLiteral(", "))));
    }
    if (!options.netlist.isEmpty()) {
        const auto netlist = Core::Operations::VolumeNetlist::write(*job.context().volume, options.netlist);
        for (const QString &line : netlist.skipped)
            say(QStringLiteral("kestrum-batch: ") + line);
        if (!netlist.written)
            return fail(netlist.noModel ? RecipeJob::NoModel : RecipeJob::OutputError, netlist.error);
        say(QStringLiteral("kestrum-batch: netlist of %1 beams written to %2")
                .arg(netlist.beams - std::size_t(netlist.skipped.size()))
                .arg(QFileInfo(options.netlist).absoluteFilePath()));
    }
    return RecipeJob::Success;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // Past the file-size limit (ulimit -f) a write then fails with "File too
    // large", which the safe writer reports, keeping the previous file,
    // instead of the signal ending the tool without a word.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Start with a plain core application: a widget application cannot even
    // start without a display, and most runs need none.
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrum-batch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRUM_VERSION));

    Options options;
    int code = parseArguments(*app, options);
    if (code != parsed)
        return code;
    Session session;
    session.app = std::move(app);
    // The session loaded the catalogues: a file they could not read is kept
    // as it is, and the run goes on with the built-in table.
    for (const QString &problem : Model::catalogueProblems())
        say(QStringLiteral("kestrum-batch: ") + problem);
    code = runRecipe(options, session, argc, argv);
    if (code != parsed)
        return code;
    return writeOutputs(options, session);
}

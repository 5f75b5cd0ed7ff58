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
#include "Model/Metrology/Section.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/TrenchMetrics.h"
#include "Model/Persistence/VolumeExport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThreadPool>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Core::BatchRun::RecipeJob;
namespace Metrology = Model::Metrology;

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
    "Cross sections are taken after the run of the volume --export writes. Positions are\n"
    "world coordinates in µm (the volume's corner plus cells times the cell size); AXIS\n"
    "is the axis the section's plane is normal to. --section y=12.5 takes the layer of\n"
    "cells holding y = 12.5 µm: across x or y a grid over the other horizontal axis and\n"
    "z, across z one over x and y. --section-image draws it at true aspect with µm ticks,\n"
    "a scale bar and a legend (.png, or .svg with the cells as rectangles); --section-csv\n"
    "writes its material ids (0 = empty): a row of the cell-centre coordinates along the\n"
    "section in µm, then one row per row of cells from the top down, its height (or y) in\n"
    "µm first.\n"
    "--measure y=12.5 measures the deepest trench of that section (across x or y),\n"
    "--measure y=12.5:20:60 the one whose walls lie between x = 20 and 60 µm, and prints\n"
    "it as one JSON object on one line of standard output (nothing else goes there):\n"
    "depth, top_width, bottom_width, widest, bowing (widest - top_width), surface, bottom\n"
    "(heights), from and to (the range searched) in µm; angle_left and angle_right, each\n"
    "wall's slope in degrees to the horizontal (90 vertical, less when it leans outwards\n"
    "as it rises); width_at and the undercuts, which this option does not ask for, null.\n"
    "When --section names the same section, its picture shows the measured walls.\n"
    "A position outside the volume is refused before any step runs when the volume is\n"
    "known beforehand (from --input, or from the first Create Substrate step's corner,\n"
    "size and cell size), otherwise after the run; a section without material or a\n"
    "range without a trench is refused after the run with the reason. These refusals\n"
    "have exit code 2; the document and the outputs above are written first.\n"
    "\n"
    "Every file the run writes must be a file of its own: two outputs (the options above\n"
    "and the Save Image steps' files) naming the same file, or an output that exists as\n"
    "something else than a file (a pipe, a device), are refused before any work.\n"
    "\n"
    "Exit codes: 0 success, 2 usage (also a refused --set, the refused outputs above and\n"
    "a section or trench that cannot be taken or measured),\n"
    "3 unreadable recipe or input document, 4 no cell volume, 5 a step was skipped with\n"
    "--strict, 6 an output could not be written (the file there before is kept; also past\n"
    "the file-size limit, ulimit -f), 7 an image was asked for but no display is\n"
    "available, 8 --netlist found no cantilever to write.";

// A section named on the command line: "y=12.5", for --measure also
// ":FROM:TO" along the section; all in world µm.
struct SectionRequest
{
    Metrology::Axis axis = Metrology::Axis::Y;
    double at = 0.0;
    std::optional<double> from;
    std::optional<double> to;

    bool sameSection(const SectionRequest &other) const { return axis == other.axis && at == other.at; }
};

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
    QString section;
    QString sectionImage;
    QString sectionCsv;
    QString measure;
    QString threads;
    QStringList settings;
    bool strict = false;
    // --section and --measure, read.
    std::optional<SectionRequest> sectionRequest;
    std::optional<SectionRequest> measureRequest;
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
    return {QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help), QString::fromLatin1(valueName)),
            field, nullptr, nullptr};
}

OptionLine repeatedOption(const char *name, const char *valueName, const char *help, QStringList Options::*field)
{
    return {QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help), QString::fromLatin1(valueName)),
            nullptr, field, nullptr};
}

OptionLine switchOption(const char *name, const char *help, bool Options::*field)
{
    return {QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help)), nullptr, nullptr, field};
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
        valueOption("section", "AXIS=POS",
                    "Take the cross section of the result volume normal to AXIS (x, y or z) through POS µm, "
                    "for --section-image and --section-csv (for example y=12.5).",
                    &Options::section),
        valueOption("section-image", "file", "Save the --section as a picture (.png or .svg).",
                    &Options::sectionImage),
        valueOption("section-csv", "file", "Save the --section's material ids as a grid (.csv).",
                    &Options::sectionCsv),
        valueOption("measure", "AXIS=POS[:FROM:TO]",
                    "Print the trench metrics of the section normal to AXIS (x or y) through POS µm, the trench "
                    "sought between FROM and TO µm along the section (default: all of it), as one line of JSON "
                    "on standard output.",
                    &Options::measure),
        valueOption("threads", "n", "Use <n> worker threads (default: one per core).", &Options::threads),
        repeatedOption("set", "STEP.PARAM=VALUE",
                       "Before the run, set parameter PARAM of step STEP (1-based) to VALUE, as the process list "
                       "names and writes it (for example 3.Thickness=4). Repeatable.",
                       &Options::settings),
        switchOption("strict", "Fail on the first skipped step instead of going on.", &Options::strict),
    };
}

constexpr int parsed = -1;

bool number(const QString &text, double *value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value);
}

// Reads the value of `option`; false, with the sentence to print, when it is
// not AXIS=POS (or AXIS=POS:FROM:TO where `range` allows it).
bool parseSection(const QString &option, const QString &text, bool range, SectionRequest *request, QString *error)
{
    const QString head = QStringLiteral("%1 \"%2\": ").arg(option, text);
    const QString form = range ? QStringLiteral("AXIS=POS or AXIS=POS:FROM:TO") : QStringLiteral("AXIS=POS");
    const int equals = text.indexOf(QLatin1Char('='));
    if (equals < 0) {
        *error = head + QStringLiteral("give %1, positions in µm (for example y=12.5).").arg(form);
        return false;
    }
    if (!Metrology::axisFromText(text.left(equals), &request->axis)) {
        *error = head + QStringLiteral("the axis \"%1\" is none of x, y and z.").arg(text.left(equals).trimmed());
        return false;
    }
    const QStringList numbers = text.mid(equals + 1).split(QLatin1Char(':'));
    if (numbers.size() != 1 && !(range && numbers.size() == 3)) {
        *error = head + QStringLiteral("give %1, positions in µm (for example y=12.5%2).")
                            .arg(form, range ? QStringLiteral(":20:60") : QString());
        return false;
    }
    double values[3] = {};
    for (int i = 0; i < numbers.size(); ++i) {
        if (!number(numbers[i], &values[i])) {
            *error = head + QStringLiteral("\"%1\" is no finite number of µm.").arg(numbers[i].trimmed());
            return false;
        }
    }
    request->at = values[0];
    if (numbers.size() == 3) {
        request->from = values[1];
        request->to = values[2];
    }
    return true;
}

// The sections the command line asks for, read and checked against each
// other; `parsed` or the usage exit code.
int parseSections(Options &options)
{
    std::optional<SectionRequest> *section = &options.sectionRequest;
    std::optional<SectionRequest> *measure = &options.measureRequest;
    QString error;
    if (!options.section.isEmpty()) {
        SectionRequest request;
        if (!parseSection(QStringLiteral("--section"), options.section, false, &request, &error))
            return fail(RecipeJob::UsageError, error);
        *section = request;
    }
    if (!options.measure.isEmpty()) {
        SectionRequest request;
        if (!parseSection(QStringLiteral("--measure"), options.measure, true, &request, &error))
            return fail(RecipeJob::UsageError, error);
        if (request.axis == Metrology::Axis::Z)
            return fail(RecipeJob::UsageError,
                        QStringLiteral("--measure \"%1\": a section across z is horizontal; trenches are "
                                       "measured on a section across x or y.").arg(options.measure));
        *measure = request;
    }
    for (const auto &[name, file] : {std::pair{QStringLiteral("--section-image"), options.sectionImage},
                                     std::pair{QStringLiteral("--section-csv"), options.sectionCsv}}) {
        if (!file.isEmpty() && !*section)
            return fail(RecipeJob::UsageError,
                        QStringLiteral("%1 needs --section AXIS=POS, the section to save.").arg(name));
    }
    if (!options.sectionImage.isEmpty() && !Metrology::SectionExport::isPictureName(options.sectionImage))
        return fail(RecipeJob::UsageError, QStringLiteral("--section-image takes a file name ending in .png or .svg."));
    if (!options.sectionCsv.isEmpty()
        && QFileInfo(options.sectionCsv).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
        return fail(RecipeJob::UsageError, QStringLiteral("--section-csv takes a file name ending in .csv."));
    if (*section && options.sectionImage.isEmpty() && options.sectionCsv.isEmpty())
        return fail(RecipeJob::UsageError,
                    QStringLiteral("--section needs --section-image or --section-csv, the file to save it to."));
    return parsed;
}

// Reads the command line into `options`; `parsed` when the run may go on,
// otherwise the exit code (--help and --version exit inside).
int parseArguments(const QCoreApplication &app, Options &options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(helpText) + QStringLiteral("\n\n")
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
    return parseSections(options);
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
    if (!options.sectionImage.isEmpty())
        outputs.append({QStringLiteral("--section-image"), options.sectionImage, false, false});
    if (!options.sectionCsv.isEmpty())
        outputs.append({QStringLiteral("--section-csv"), options.sectionCsv, false, false});
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

// A GUI application on the offscreen platform, whatever the display: section
// pictures need fonts, not a screen. Qt keeps argc and argv, so they live on.
std::unique_ptr<QCoreApplication> pictureApplication(int &argc, char *argv[])
{
    static std::vector<char *> arguments;
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    arguments.assign(argv, argv + argc);
    arguments.push_back(platform);
    arguments.push_back(offscreen);
    arguments.push_back(nullptr);
    static int count = 0;
    count = argc + 2;
    return std::make_unique<QGuiApplication>(count, arguments.data());
}

double along(const Util::Vector3D &point, Metrology::Axis axis)
{
    return point[int(axis)];
}

// Refuses, before any step runs, a section outside the volume the run will
// end with, where that volume is known beforehand.
int refusePlannedSections(const Options &options, RecipeJob &job)
{
    Util::Vector3D low;
    Util::Vector3D high;
    if (!(options.sectionRequest || options.measureRequest) || !job.plannedResultBox(&low, &high))
        return parsed;
    for (const auto &[name, request] : {std::pair{QStringLiteral("--section"), options.sectionRequest},
                                        std::pair{QStringLiteral("--measure"), options.measureRequest}}) {
        QString error;
        if (request && !Metrology::SectionCut::fits(request->axis, request->at, along(low, request->axis),
                                                    along(high, request->axis), &error))
            return fail(RecipeJob::UsageError, QStringLiteral("%1: %2").arg(name, error));
    }
    return parsed;
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
    for (const auto &[what, file] : {std::pair{QStringLiteral("the image"), options.image},
                                     std::pair{QStringLiteral("the section picture"), options.sectionImage},
                                     std::pair{QStringLiteral("the section grid"), options.sectionCsv}}) {
        const QString unwritable = file.isEmpty() ? QString() : RecipeJob::whyUnwritable(file);
        if (!unwritable.isEmpty())
            return fail(RecipeJob::OutputError, QStringLiteral("cannot write %1 \"%2\": %3").arg(what, file, unwritable));
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
    } else if (!options.sectionImage.isEmpty()) {
        // A section picture draws text, which needs a GUI application, but
        // no screen: it runs on the offscreen platform.
        session.app.reset();
        session.app = pictureApplication(argc, argv);
    }

    if (!options.input.isEmpty()) {
        if (!job.loadInput(options.input))
            return fail(job.failureCode(), job.failureMessage());
        for (const QString &warning : job.warnings())
            say(QStringLiteral("kestrum-batch: %1: %2").arg(options.input, warning));
    }
    const int outside = refusePlannedSections(options, job);
    if (outside != parsed)
        return outside;

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

// Takes the sections the command line asked for of the result volume, saves
// the one of --section and prints the trench metrics of --measure.
int writeSections(const Options &options, RecipeJob &job)
{
    if (!options.sectionRequest && !options.measureRequest)
        return RecipeJob::Success;
    const std::shared_ptr<Model::Automaton::TotalVolume> volume = job.resultVolume();
    if (!volume)
        return fail(RecipeJob::MissingVolume, QStringLiteral("there is no cell volume to take a section of."));
    const auto take = [&volume](const QString &name, const SectionRequest &request,
                                std::optional<Metrology::Section> *section) {
        QString error;
        *section = Metrology::SectionCut::take(*volume, request.axis, request.at, &error);
        if (!*section)
            return fail(RecipeJob::UsageError, QStringLiteral("%1: %2").arg(name, error));
        return parsed;
    };
    std::optional<Metrology::Section> section;
    std::optional<Metrology::Section> measured;
    if (options.sectionRequest) {
        const int code = take(QStringLiteral("--section"), *options.sectionRequest, &section);
        if (code != parsed)
            return code;
    }
    const bool same = section && options.measureRequest && options.measureRequest->sameSection(*options.sectionRequest);
    if (options.measureRequest && !same) {
        const int code = take(QStringLiteral("--measure"), *options.measureRequest, &measured);
        if (code != parsed)
            return code;
    }

    // Measured first, so that the picture of the same section shows the walls;
    // a trench that cannot be measured is reported after the files are saved.
    std::optional<Metrology::Trench> trench;
    QString trenchError;
    if (options.measureRequest) {
        Metrology::TrenchRequest request;
        request.from = options.measureRequest->from;
        request.to = options.measureRequest->to;
        trench = Metrology::TrenchMetrics::measure(same ? *section : *measured, request, &trenchError);
    }

    if (section) {
        QString error;
        if (!options.sectionCsv.isEmpty()) {
            if (!Metrology::SectionExport::writeCsv(*section, options.sectionCsv, &error))
                return fail(RecipeJob::OutputError, error);
            say(QStringLiteral("kestrum-batch: section grid written to %1")
                    .arg(QFileInfo(options.sectionCsv).absoluteFilePath()));
        }
        if (!options.sectionImage.isEmpty()) {
            Metrology::SectionPicture::Options picture;
            if (same && trench)
                picture.trench = &*trench;
            if (!Metrology::SectionExport::writePicture(*section, options.sectionImage, picture, &error))
                return fail(RecipeJob::OutputError, error);
            say(QStringLiteral("kestrum-batch: section picture written to %1")
                    .arg(QFileInfo(options.sectionImage).absoluteFilePath()));
        }
    }

    if (options.measureRequest) {
        if (!trench)
            return fail(RecipeJob::UsageError, QStringLiteral("--measure: %1").arg(trenchError));
        const QByteArray json = QJsonDocument(Metrology::TrenchMetrics::toJson(*trench)).toJson(QJsonDocument::Compact);
        std::fprintf(stdout, "%s\n", json.constData());
        std::fflush(stdout);
    }
    return RecipeJob::Success;
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
        const std::shared_ptr<Model::Automaton::TotalVolume> volume = job.resultVolume();
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
    return writeSections(options, job);
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

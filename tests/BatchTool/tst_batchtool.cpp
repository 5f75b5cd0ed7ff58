#include "Core/TestOperations.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Metrology/Section.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/TrenchMetrics.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Model/TempHome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
    QByteArray output; // standard output
};

// Runs the tool, or `program` (a shell that starts it) when given.
Run runTool(const QStringList &arguments, const QString &home = QString(), const QString &program = QString())
{
    QProcess process;
    if (!home.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        process.setProcessEnvironment(environment);
    }
    process.start(program.isEmpty() ? QStringLiteral(KESTRUM_BATCH_TOOL) : program, arguments);
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            QString::fromLocal8Bit(process.readAllStandardError()), process.readAllStandardOutput()};
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath("r.plst");
    TestFiles::write(path, content);
    return path;
}

QByteArray parameter(const QByteArray &name, const char *type, const QByteArray &data)
{
    return "<Parameter parameter-name=\"" + name + "\" parameter-type=\"" + type + "\" parameter-data=\"" + data + "\"/>";
}

// An 8 x 8 x 4 block of material 1 at the bottom of an 8 x 8 x 10 volume;
// `changed` replaces one parameter's "name=data".
QByteArray createStep(const QByteArray &changed = QByteArray())
{
    QByteArray step = "<Process-Data process-type=\"11\">" + parameter("Lower Left Front Corner", "Util::Vector3D", "0;0;0")
                      + parameter("MaterialId", "uint", "1") + parameter("SphericalSubstrate", "bool", "false");
    for (const char *axis : {"X", "Y", "Z"}) {
        step += parameter(QByteArray("Substrate Delta ") + axis, "uint", "0");
        step += parameter(QByteArray("Substrate Size ") + axis, "uint", *axis == 'Z' ? "4" : "8");
        step += parameter(QByteArray("Volume Size ") + axis, "uint", *axis == 'Z' ? "10" : "8");
    }
    if (!changed.isEmpty()) {
        const QList<QByteArray> parts = changed.split('=');
        const int at = step.indexOf("parameter-name=\"" + parts[0] + '"');
        const int data = step.indexOf("parameter-data=\"", at) + 16;
        step.replace(data, step.indexOf('"', data) - data, parts[1]);
    }
    return step + "</Process-Data>";
}

QByteArray cvdStep(const QByteArray &thickness, const QByteArray &material = "3")
{
    return "<Process-Data process-type=\"4\">" + parameter("MaterialId", "uint", material)
           + (thickness.isNull() ? QByteArray() : parameter("Thickness", "double", thickness)) + "</Process-Data>";
}

QByteArray recipe(const QByteArray &steps)
{
    return "<?xml version=\"1.0\"?><Process-List>" + steps + "</Process-List>";
}

// The volumes of a document file.
QList<std::shared_ptr<Model::Automaton::TotalVolume>> volumesIn(const QString &documentPath)
{
    Model::Document document;
    Model::Persistence::ArchiverRegistry registry(QDir::tempPath());
    Model::Persistence::DocumentReader(registry).load(document, documentPath);
    return TestSupport::volumesOf(document);
}

// Counts cells per material in the volumes of a document.
QMap<uint, int> materialCounts(const QString &documentPath)
{
    QMap<uint, int> counts;
    for (const auto &volume : volumesIn(documentPath))
        for (auto id : volume->materialIds())
            ++counts[id];
    return counts;
}

// A step of `type` with the given parameters (name, type, data).
QByteArray step(int type, const QList<std::tuple<QByteArray, const char *, QByteArray>> &parameters)
{
    QByteArray out = "<Process-Data process-type=\"" + QByteArray::number(type) + "\">";
    for (const auto &[name, kind, data] : parameters)
        out += parameter(name, kind, data);
    return out + "</Process-Data>";
}

// Saves a document of `volume` in the run's folder.
QString saveInput(const QTemporaryDir &dir, const QString &name, std::shared_ptr<Model::Automaton::TotalVolume> volume)
{
    Model::Document document;
    document.addObject(std::move(volume));
    Model::Persistence::ArchiverRegistry archivers(dir.path());
    const QString path = dir.filePath(name);
    return Model::Persistence::DocumentWriter(archivers).save(document, path).ok ? path : QString();
}

} // namespace

Q_DECLARE_METATYPE(QList<int>)

class TestBatchTool : public QObject
{
    Q_OBJECT

private slots:
    void refused_data();
    void refused();
    void steps_data();
    void steps();
    void filmExampleRuns();
    void settingEqualsEditedRecipe_data();
    void settingEqualsEditedRecipe();
    void helpAndVersionTouchNoFile();
    void netlist();
    void unreadableCatalogueKept();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void sectionsWritten_data();
    void sectionsWritten();
};

void TestBatchTool::refused_data()
{
    // The recipe file (null: none), the options after it ("@" the run's
    // folder, "%" the examples; "--output @/out.kst" unless they give one),
    // the exit code, what the errors say and whether the steps ran first.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("ran");
    const auto row = [](const char *name, const QByteArray &content, const QStringList &options,
                        const QString &message, int exitCode = 2, bool ran = false) {
        QTest::newRow(name) << content << options << exitCode << message << ran;
    };
    const QByteArray block = recipe(createStep()), film = recipe(createStep() + cvdStep("1"));
    const QStringList none, grid{"--section-csv", "@/s.csv"};
    row("missing file", QByteArray(), none, "no such file", 3);
    row("malformed recipe", "<Process-List><Process-Data", none, "cannot read", 3);
    row("no volume", recipe(cvdStep("1")), none, "Missing Cell Volume", 4);
    row("output folder missing", block, {"--output", "@/none/out.kst"}, "does not exist", 6);
    row("output is a folder", block, {"--output", "@/."}, "it is a folder", 6);
    row("export in an unknown format", block, {"--export", "@/block.vtk"}, "ending in .vti, .stl or .obj");
    row("export folder missing", block, {"--export", "@/none/block.obj"}, "cannot export", 6, true);

    // Pipes are never opened to test them (that would wait for a reader for ever).
    row("output is a pipe", block, {"--output", "@/pipe.kst"}, "--output \"@/pipe.kst\" is no regular file");
    row("netlist is a pipe", block, {"--netlist", "@/pipe.cir"}, "--netlist \"@/pipe.cir\" is no regular file");
    row("export is a pipe", block, {"--export", "@/pipe.vti"}, "--export \"@/pipe.vti\" is no regular file");
    row("image is a pipe", block, {"--image", "@/pipe.png"}, "--image \"@/pipe.png\" is no regular file");
    row("output is a device", block, {"--output", "/dev/null"}, "--output \"/dev/null\" is no regular file");

    // Two outputs at one file (link.kst links to out.kst).
    const QString clash = QStringLiteral("--output and --netlist both write \"");
    row("netlist at the output", block, {"--netlist", "@/out.kst"}, clash);
    row("netlist at the output, spelt otherwise", block, {"--netlist", "@/sub/../out.kst"}, clash);
    row("netlist through a link to the output", block, {"--netlist", "@/link.kst"}, clash);
    row("export at the image", block, {"--image", "@/a.obj", "--export", "@/a.obj"},
        "--image and --export both write \"");
    row("netlist at a material's STL part", block, {"--export", "@/part.stl", "--netlist", "@/part_3.stl"},
        "--netlist and --export both write \"");
    row("Save Image step at the output", recipe(createStep() + step(10, {{"Filename", "QString", "@/out.kst"}})),
        none, "--output and Save Image step 2 both write \"");
    row("Save Image step moved onto the netlist by --set",
        recipe(createStep() + step(10, {{"Filename", "QString", "@/a.png"}})),
        {"--netlist", "@/n.cir", "--set", "2.Filename=@/n.cir"}, "--netlist and Save Image step 2 both write \"");

    // --set: when the second of two is refused the first is not applied either.
    const auto set = [](const QString &setting) { return QStringList{"--set", setting}; };
    row("set: no step number", film, set("Thickness=2"), "--set \"Thickness=2\": give STEP.PARAM=VALUE");
    row("set: no value", film, set("2.Thickness"), "give STEP.PARAM=VALUE");
    row("set: no name", film, set("2.=4"), "give STEP.PARAM=VALUE");
    row("set: step 0", film, set("0.Thickness=2"), "there is no step 0; the process list has 2 steps.");
    row("set: step 3 of 2", film, set("3.Thickness=2"), "there is no step 3");
    row("set: unknown parameter", film, set("2.Thick=2"),
        "step 2 (CVD) has no parameter \"Thick\"; it has: MaterialId, Thickness.");
    row("set: negative count", film, set("1.Volume Size X=-3"), "takes a whole number from 0, not \"-3\"");
    row("set: yes for a switch", film, set("1.SphericalSubstrate=yes"), "takes true or false");
    row("set: second of two", film, set("2.Thickness=2") + set("2.Thicknes=3"), "\"2.Thicknes=3\"");

    // Sections and measures, on an 8 x 8 x 10 volume of 1 µm cells at the
    // origin with a block 4 cells high unless the steps say otherwise.
    row("axis w", block, QStringList{"--section", "w=3"} + grid,
        "--section \"w=3\": the axis \"w\" is none of x, y and z.");
    row("no position", block, QStringList{"--section", "y"} + grid, "give AXIS=POS,");
    row("position abc", block, QStringList{"--section", "y=abc"} + grid, "\"abc\" is no finite number of");
    row("infinite position", block, QStringList{"--section", "x=inf"} + grid, "\"inf\" is no finite number of");
    row("range given to --section", block, QStringList{"--section", "y=1:2:3"} + grid, "give AXIS=POS,");
    row("picture without --section", block, {"--section-image", "@/s.png"},
        "--section-image needs --section AXIS=POS");
    row("grid without --section", block, grid, "--section-csv needs --section AXIS=POS");
    row("section without a file", block, {"--section", "y=3"}, "--section needs --section-image or --section-csv");
    row("picture as .jpg", block, {"--section", "y=3", "--section-image", "@/s.jpg"},
        "--section-image takes a file name ending in .png or .svg.");
    row("grid as .txt", block, {"--section", "y=3", "--section-csv", "@/s.txt"},
        "--section-csv takes a file name ending in .csv.");
    row("measure across z", block, {"--measure", "z=1"}, "a section across z is horizontal");
    row("measure with one bound", block, {"--measure", "y=3:1"}, "give AXIS=POS or AXIS=POS:FROM:TO");
    row("measure to abc", block, {"--measure", "y=3:1:abc"}, "\"abc\" is no finite number of");
    row("grid on the netlist's file", block, {"--section", "y=3", "--section-csv", "@/a.csv", "--netlist", "@/a.csv"},
        "--netlist and --section-csv both write");
    // Known from the Create Substrate step, as --set leaves it, or the input.
    row("section beyond the volume", block, QStringList{"--section", "y=8.5"} + grid, "--section: y = 8.5 ");
    row("measure below the volume", block, {"--measure", "x=-0.25"}, "--measure: x = -0.25 ");
    row("cells of 0.5 set", block, {"--set", "1.Cell Size X=0.5", "--measure", "x=4.5"},
        "lies outside the volume, which spans x from 0 to 4 ");
    row("corner moved", recipe(createStep("Lower Left Front Corner=10;0;0")), {"--measure", "x=9"},
        "lies outside the volume, which spans x from 10 to 18 ");
    row("first substrate step unusable", recipe(createStep("MaterialId=99") + createStep("Volume Size Y=20")),
        {"--measure", "y=25"}, "lies outside the volume, which spans y from 0 to 20 ");
    row("input's volume", recipe(""), QStringList{"--input", "%/masked_wafer.kst", "--section", "z=30.5"} + grid,
        "lies outside the volume, which spans z from 0 to 30 ");
    // Only the run tells: here the first volume is too large to make.
    row("section beyond the volume that was made", recipe(createStep("Volume Size X=4000000000") + createStep()),
        {"--measure", "x=9"}, "lies outside the volume, which spans x from 0 to 8 ", 2, true);
    row("measure a flat block", block, {"--measure", "y=4"}, "--measure: No trench between x 0 to 8 ", 2, true);
    row("netlist of silicon only", block, {"--netlist", "@/beam.cir"},
        "No model data was extracted: the volume holds no cantilever. Material 1 (silicon) is taken as the "
        "substrate and never forms a beam.",
        8, true);
}

// A refusal before the run writes nothing and leaves the file already at the
// output as it was; one after the run writes the document and nothing else.
void TestBatchTool::refused()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(bool, ran);
    QTemporaryDir dir;
    const QString out = dir.filePath("out.kst");
    QVERIFY(TestFiles::write(out, "previous") && QFile::link(out, dir.filePath("link.kst"))
            && QDir(dir.path()).mkdir("sub"));
    QStringList arguments{content.isNull() ? dir.filePath("absent.plst")
                                           : writeFile(dir, content.replace('@', QFile::encodeName(dir.path())))};
    if (!options.contains("--output"))
        arguments << "--output" << out;
    for (QString option : options) {
        arguments << option.replace('@', dir.path()).replace('%', QStringLiteral(KESTRUM_EXAMPLES_DIR));
        if (option.startsWith(dir.filePath("pipe")))
            QVERIFY(::mkfifo(QFile::encodeName(option).constData(), 0600) == 0);
    }
    const auto entries = [&dir] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    };
    const QStringList before = entries();
    const Run run = runTool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.errors.contains(message.replace('@', dir.path())), qPrintable(run.errors));
    QCOMPARE(run.errors.contains("[1/"), ran);
    QCOMPARE(TestFiles::read(out) == "previous", !ran);
    QCOMPARE(entries(), before); // nothing written but the document
    QVERIFY(run.output.isEmpty());
}

void TestBatchTool::fileSizeLimit_data()
{
    QTest::addColumn<QString>("option"); // the output past the limit
    QTest::addColumn<QString>("name");
    QTest::newRow("document") << "--output" << "out.kst";
    QTest::newRow("export") << "--export" << "out.obj";
}

// Past the file-size limit (ulimit -f) a write fails with its reason and exit
// code 6 instead of the signal ending the tool; the earlier file stays.
void TestBatchTool::fileSizeLimit()
{
    QFETCH(QString, option);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString list = writeFile(dir, recipe(""));
    const auto input = [&dir](std::uint32_t n) { // n^3 cells of scattered materials
        return saveInput(dir, QStringLiteral("in%1.kst").arg(n), TestSupport::volumeFrom(n, n, n, [](auto x, auto y, auto z) {
            return ((x * 73856093u) ^ (y * 19349663u) ^ (z * 83492791u)) % 7u;
        }));
    };
    const QString small = input(2), large = input(24);
    QVERIFY(!small.isEmpty() && !large.isEmpty());
    const QString target = dir.filePath(name);
    Run run = runTool(
        {list, "--input", small, "--output", dir.filePath("out.kst"), "--export", dir.filePath("out.obj")});
    QVERIFY2(run.exitCode == 0 && run.errors.contains("exported to"), qPrintable(run.errors));
    const QByteArray previous = TestFiles::read(target);
    QVERIFY(!previous.isEmpty());

    // Limits in blocks of 512 bytes: the large document (some kB) is cut off
    // at 2 kB; its surfaces (some MB of text) pass the document's size.
    const qint64 limit = option == "--output" ? 4 : QFileInfo(large).size() / 512 * 4 + 16;
    QStringList arguments{list, "--input", large, "--output",
                          dir.filePath(option == "--output" ? "out.kst" : "other.kst")};
    if (option == "--export")
        arguments << "--export" << target;
    const QStringList shell{"-c", QStringLiteral("ulimit -f %1; exec \"$0\" \"$@\"").arg(limit),
                            QStringLiteral(KESTRUM_BATCH_TOOL)};
    run = runTool(shell + arguments, QString(), QStringLiteral("/bin/sh"));
    QCOMPARE(run.exitCode, 6);
    QVERIFY2(run.errors.contains(QStringLiteral("\"%1\": File too large").arg(target))
                 || run.errors.contains(QStringLiteral("%1: File too large").arg(target)),
             qPrintable(run.errors));
    QCOMPARE(TestFiles::read(target), previous);
    QCOMPARE(QDir(dir.path()).entryList({"*.kst", "*.obj", "*.tmp", ".*"}, QDir::Files | QDir::Hidden).size(),
             option == "--output" ? 4 : 5); // no temporary file left behind
}

void TestBatchTool::steps_data()
{
    // The steps (after an 8 x 8 x 4 block of material 1 unless they make
    // their own), the exit code, the cells of material 1 and 3 afterwards and
    // the skip report, if any; --strict then fails.
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("skipped");
    // What the steps that ran did, as the lines after their progress lines
    // start (up to the first length, whose unit the locale may garble).
    QTest::addColumn<QStringList>("effects");
    const auto failed = [](const char *name, const QByteArray &steps, const QString &skip) {
        QTest::newRow(name) << steps << 4 << QList<int>() << skip << QStringList();
    };
    const auto skipped = [](const char *name, const QByteArray &steps, const QString &skip) {
        QTest::newRow(name) << steps << 0 << QList<int>{256, 0} << skip << QStringList();
    };
    const auto ran = [](const char *name, const QByteArray &steps, const QList<int> &counts, const QStringList &effects) {
        QTest::newRow(name) << steps << 0 << counts << QString() << effects;
    };
    const QByteArray create = createStep();
    const auto after = [&create](int type, const QList<std::tuple<QByteArray, const char *, QByteArray>> &parameters) {
        return create + step(type, parameters);
    };
    const auto pvd = [&after](const QByteArray &ratio, const QByteArray &side) {
        return after(12, {{"MaterialId", "uint", "3"}, {"Thickness", "double", "2"},
                          {"Horizontal to Vertical Ratio", "double", ratio}, {"DepositOn", "int", side}});
    };
    failed("substrate corner with two parts", createStep("Lower Left Front Corner=0;0"),
           "[1/1] Create Substrate skipped: \"Lower Left Front Corner\" does not convert to three numbers x;y;z");
    failed("substrate size -1", createStep("Volume Size X=-1"),
           "[1/1] Create Substrate skipped: \"Volume Size X\" does not convert to a whole number");
    failed("unknown substrate material", createStep("MaterialId=99"),
           "[1/1] Create Substrate skipped: \"MaterialId\" is 99, which is no material of the catalogue");
    // A film of one cell on the top face only (the sides touch the volume's faces).
    ran("cvd", create + cvdStep("1"), {256, 64},
        {"[1/2] Create Substrate: 256 cells changed (Si +256).",
         "[2/2] CVD: 64 cells changed (Thermal Si02 +64), thickness 1 "});
    skipped("cvd without thickness", create + cvdStep(QByteArray()), "[2/2] CVD skipped: \"Thickness\" is missing");
    skipped("cvd of thickness abc", create + cvdStep("abc"),
            "[2/2] CVD skipped: \"Thickness\" does not convert to a number");
    skipped("unknown film material", create + cvdStep("1", "99"),
            "[2/2] CVD skipped: \"MaterialId\" is 99, which is no material of the catalogue");
    ran("spin coating below the surface", after(9, {{"MaterialId", "uint", "3"}, {"Maximum Height", "uint", "2"}}),
        {256, 0}, {"[2/2] Spin Coating: warning: changed nothing "});
    skipped("pvd on side 7", pvd("0.5", "7"),
            "PVD skipped: \"DepositOn\" must be 1 (on top), 2 (on bottom) or 3 (both)");
    skipped("pvd with ratio 0", pvd("0", "1"), "PVD skipped: \"Horizontal to Vertical Ratio\" must be greater than 0");
    skipped("moore etching of -1 cells", after(3, {{"MaterialId", "uint", "1"}, {"Depth", "QString", "-1"}}),
            "skipped: \"Depth\" (\"-1\") does not convert");
}

// Each skip says what is wrong with the step; with --strict it fails the run.
void TestBatchTool::steps()
{
    QFETCH(QByteArray, steps);
    QFETCH(int, exitCode);
    QFETCH(QList<int>, counts);
    QFETCH(QString, skipped);
    QFETCH(QStringList, effects);
    QTemporaryDir dir;
    const QString list = writeFile(dir, recipe(steps));
    const QString out = dir.filePath("out.kst");
    Run run = runTool({list, "--output", out, "--threads", "2"});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(skipped.isEmpty() ? !run.errors.contains("skipped:") : run.errors.contains(skipped), qPrintable(run.errors));
    for (const QString &effect : effects)
        QVERIFY2(run.errors.contains(QLatin1Char('\n') + effect), qPrintable(run.errors));
    QCOMPARE(QFile::exists(out), exitCode == 0);
    if (exitCode != 0)
        return;
    const auto cells = materialCounts(out);
    QCOMPARE(QList<int>({cells.value(1), cells.value(3)}), counts);
    QFile::remove(out);
    run = runTool({list, "--output", out, "--strict"});
    QCOMPARE(run.exitCode, skipped.isEmpty() ? 0 : 5);
    QCOMPARE(QFile::exists(out), skipped.isEmpty());
}

void TestBatchTool::settingEqualsEditedRecipe_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QByteArray>("edited");
    QTest::newRow("film material") << QStringList{"2.MaterialId=5"} << createStep() + cvdStep("1", "5");
    QTest::newRow("substrate and film") << QStringList{"1.Substrate Size Z=2", " 2.Thickness = 2 "}
                                        << createStep("Substrate Size Z=2") + cvdStep("2");
}

// A setting gives the cells of the recipe file edited to the same value.
void TestBatchTool::settingEqualsEditedRecipe()
{
    QFETCH(QStringList, settings);
    QFETCH(QByteArray, edited);
    QTemporaryDir dir;
    const QString list = writeFile(dir, recipe(createStep() + cvdStep("1")));
    QStringList arguments{list, "--output", dir.filePath("set.kst"), "--strict"};
    for (const QString &setting : settings)
        arguments << "--set" << setting;
    Run run = runTool(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    run = runTool({writeFile(dir, recipe(edited)), "--output", dir.filePath("edited.kst"), "--strict"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    const auto bySetting = volumesIn(dir.filePath("set.kst")), byEdit = volumesIn(dir.filePath("edited.kst"));
    QVERIFY(bySetting.size() == 1 && byEdit.size() == 1);
    QVERIFY(bySetting[0]->materialIds() == byEdit[0]->materialIds());
}

// Neither writes any file, not even a catalogue in HOME.
void TestBatchTool::helpAndVersionTouchNoFile()
{
    for (const QString option : {"--help", "--version"}) {
        QTemporaryDir home;
        const Run run = runTool({option}, home.path());
        QVERIFY2(run.exitCode == 0, qPrintable(option));
        QVERIFY2(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty(),
                 qPrintable(option));
    }
}

// The example uses all six film processes on one post.
void TestBatchTool::filmExampleRuns()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("post.kst");
    const Run run = runTool({QStringLiteral(KESTRUM_EXAMPLES_DIR "/plated_post.plst"), "--output", out, "--strict"});
    QCOMPARE(run.exitCode, 0);
    const auto cells = materialCounts(out);
    for (const uint material : {1u, 5u, 6u, 9u, 11u}) // Si, Cu, Cr, Au, resist
        QVERIFY2(cells.value(material) > 0, qPrintable(QString::number(material)));
}

// --netlist writes the cantilevers of the final volume: 12 x 4 x 4 cells,
// silicon below x = 4 and a 6 x 2 x 1 oxide beam from it at y 1-2, z 1.
void TestBatchTool::netlist()
{
    QTemporaryDir dir;
    const QString input = saveInput(dir, "beam.kst", TestSupport::volumeFrom(12, 4, 4, [](auto x, auto y, auto z) {
        return x < 4 ? 1u : (x < 10 && y >= 1 && y <= 2 && z == 1 ? 3u : 0u);
    }));
    QVERIFY(!input.isEmpty());
    const QString netlist = dir.filePath("beam.cir");
    const Run run = runTool({writeFile(dir, recipe("")), "--input", input, "--output", dir.filePath("out.kst"),
                             "--netlist", netlist});
    QVERIFY2(run.exitCode == 0 && run.errors.contains("netlist of 1 beams written"), qPrintable(run.errors));
    QVERIFY(QString::fromUtf8(TestFiles::read(netlist))
                .startsWith(QStringLiteral("Model extracted by Kestrum\n* beam 1: Thermal Si02, 6 x 2 x 1 µm, f1 = ")));
}

// A catalogue the tool cannot read is reported and kept byte for byte; the
// run goes on with the built-in table and succeeds. A missing one is written.
void TestBatchTool::unreadableCatalogueKept()
{
    const QByteArray contents(
        "<?xml version=\"1.0\"?>\n<Materials>\n<Material name=\"Cr & Au\" material-id=\"40\"/>\n</Materials>\n");
    QTemporaryDir home;
    QTemporaryDir dir;
    const QString catalogue = home.filePath(QStringLiteral("Kestrum/materials.xml"));
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Kestrum")) && TestFiles::write(catalogue, contents));
    const QString out = dir.filePath("out.kst");
    const Run run = runTool({writeFile(dir, recipe(createStep() + cvdStep("1"))), "--output", out, "--strict"},
                            home.path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY(materialCounts(out).value(3) > 0); // the built-in CVD and oxide served
    QVERIFY2(run.errors.contains(QStringLiteral("kestrum-batch: The material catalogue %1 cannot be read (line 3, column ")
                                     .arg(QDir::toNativeSeparators(catalogue))),
             qPrintable(run.errors));
    QVERIFY(run.errors.contains(QStringLiteral("it is kept unchanged")));
    QCOMPARE(TestFiles::read(catalogue), contents);
    // The process catalogue was not there yet: its built-in table is written.
    QVERIFY(QFile::exists(home.filePath(QStringLiteral("Kestrum/processes.xml"))));
}

void TestBatchTool::sectionsWritten_data()
{
    // The options after "--section y=Y", or --measure alone (empty), "@" the
    // run's folder; the range measured (none: the whole section).
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("measure");
    QTest::newRow("grid and picture (svg), measured alike")
        << QStringList{"--section-csv", "@/s.csv", "--section-image", "@/s.svg"} << "y=13";
    QTest::newRow("picture (png), measured within a range")
        << QStringList{"--section-image", "@/s.png"} << "y=13:15:30";
    QTest::newRow("grid, another section measured") << QStringList{"--section-csv", "@/s.csv"} << "x=12:13:19";
    QTest::newRow("grid alone") << QStringList{"--section-csv", "@/s.csv"} << QString();
    QTest::newRow("measure alone") << QStringList() << "y=13.5";
}

// Silicon under an oxide mask with a V-groove along y (walls x 18 to 26 µm)
// and a square one along x (y 14 to 18 µm), the corner at (10, 2, -1) µm and
// cells of 0.5 x 2 x 0.25 µm: the files hold the core's section, the printed
// line the core's metrics, to the last digit.
void TestBatchTool::sectionsWritten()
{
    QFETCH(QStringList, options);
    QFETCH(QString, measure);
    const double y = 13.0;
    QTemporaryDir dir;
    std::vector<std::uint32_t> ids;
    const std::uint32_t nx = 40, ny = 10, nz = 24;
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t yi = 0; yi < ny; ++yi)
            for (std::uint32_t z = 0; z < nz; ++z) {
                const int fromCentre = std::abs(int(x) - 24);
                const bool grooveAlongY = fromCentre < 8 && int(z) >= 4 + 2 * fromCentre;
                const bool grooveAlongX = yi >= 6 && yi <= 7 && z >= 16;
                ids.push_back(z < 20 && !grooveAlongY && !grooveAlongX ? 1u : z < 22 && !grooveAlongY && !grooveAlongX ? 3u : 0u);
            }
    auto volume = std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 0.5f, 2.f, 0.25f,
                                                                  Util::Vector3D(10, 2, -1), ids);
    const QString input = saveInput(dir, "in.kst", volume);
    QVERIFY(!input.isEmpty());

    QStringList arguments{writeFile(dir, recipe("")), "--input", input, "--output", dir.filePath("out.kst")};
    if (!options.isEmpty())
        arguments << "--section" << QStringLiteral("y=%1").arg(y);
    for (const QString &option : options)
        arguments << QString(option).replace('@', dir.path());
    if (!measure.isEmpty())
        arguments << "--measure" << measure;
    const Run run = runTool(arguments);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    QString error;
    const auto section = Model::Metrology::SectionCut::take(*volume, Model::Metrology::Axis::Y, y, &error);
    QVERIFY2(section, qPrintable(error));
    QCOMPARE(QFileInfo::exists(dir.filePath("s.csv")), options.contains("--section-csv"));
    if (options.contains("--section-csv"))
        QCOMPARE(TestFiles::read(dir.filePath("s.csv")), Model::Metrology::SectionExport::csv(*section));
    if (options.contains("@/s.png"))
        QVERIFY(!QImage(dir.filePath("s.png")).isNull());
    QCOMPARE(QFileInfo::exists(dir.filePath("s.svg")), options.contains("@/s.svg"));
    if (options.contains("@/s.svg"))
        QVERIFY(TestFiles::read(dir.filePath("s.svg")).contains("<svg"));

    if (measure.isEmpty()) {
        QVERIFY(run.output.isEmpty());
        return;
    }
    // One line of JSON and nothing else.
    QVERIFY2(run.output.endsWith('\n') && run.output.count('\n') == 1, run.output.constData());
    QJsonParseError parseError;
    const QJsonDocument printed = QJsonDocument::fromJson(run.output, &parseError);
    QVERIFY2(printed.isObject(), qPrintable(parseError.errorString()));
    const QStringList parts = measure.mid(2).split(':');
    Model::Metrology::Axis axis;
    QVERIFY(Model::Metrology::axisFromText(measure.left(1), &axis));
    const auto measured = Model::Metrology::SectionCut::take(*volume, axis, parts[0].toDouble(), &error);
    QVERIFY(measured);
    Model::Metrology::TrenchRequest request;
    if (parts.size() == 3) {
        request.from = parts[1].toDouble();
        request.to = parts[2].toDouble();
    }
    const auto trench = Model::Metrology::TrenchMetrics::measure(*measured, request, &error);
    QVERIFY2(trench, qPrintable(error));
    QCOMPARE(printed.object(), Model::Metrology::TrenchMetrics::toJson(*trench));
    QVERIFY(trench->depth > 0.0);
}

QTEST_GUILESS_MAIN(TestBatchTool)
#include "tst_batchtool.moc"

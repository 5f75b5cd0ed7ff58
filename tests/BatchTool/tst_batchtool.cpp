#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runTool(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTRUM_BATCH_TOOL), arguments);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

const QByteArray createStep =
    "<Process-Data process-type=\"11\">"
    "<Parameter parameter-name=\"Lower Left Front Corner\" parameter-type=\"Util::Vector3D\" parameter-data=\"0;0;0\"/>"
    "<Parameter parameter-name=\"MaterialId\" parameter-type=\"uint\" parameter-data=\"1\"/>"
    "<Parameter parameter-name=\"SphericalSubstrate\" parameter-type=\"bool\" parameter-data=\"false\"/>"
    "<Parameter parameter-name=\"Substrate Delta X\" parameter-type=\"uint\" parameter-data=\"0\"/>"
    "<Parameter parameter-name=\"Substrate Delta Y\" parameter-type=\"uint\" parameter-data=\"0\"/>"
    "<Parameter parameter-name=\"Substrate Delta Z\" parameter-type=\"uint\" parameter-data=\"0\"/>"
    "<Parameter parameter-name=\"Substrate Size X\" parameter-type=\"uint\" parameter-data=\"8\"/>"
    "<Parameter parameter-name=\"Substrate Size Y\" parameter-type=\"uint\" parameter-data=\"8\"/>"
    "<Parameter parameter-name=\"Substrate Size Z\" parameter-type=\"uint\" parameter-data=\"4\"/>"
    "<Parameter parameter-name=\"Volume Size X\" parameter-type=\"uint\" parameter-data=\"8\"/>"
    "<Parameter parameter-name=\"Volume Size Y\" parameter-type=\"uint\" parameter-data=\"8\"/>"
    "<Parameter parameter-name=\"Volume Size Z\" parameter-type=\"uint\" parameter-data=\"10\"/>"
    "</Process-Data>";

QByteArray cvdStep(const QByteArray &thickness)
{
    QByteArray step = "<Process-Data process-type=\"4\">"
                      "<Parameter parameter-name=\"MaterialId\" parameter-type=\"uint\" parameter-data=\"3\"/>";
    if (!thickness.isNull())
        step += "<Parameter parameter-name=\"Thickness\" parameter-type=\"double\" parameter-data=\"" + thickness + "\"/>";
    return step + "</Process-Data>";
}

QByteArray recipe(const QByteArray &steps)
{
    return "<?xml version=\"1.0\"?><Process-List>" + steps + "</Process-List>";
}

// Counts cells per material in the first volume of a document.
QMap<uint, int> materialCounts(const QString &documentPath)
{
    Model::Document document;
    Model::Persistence::ArchiverRegistry registry(QDir::tempPath());
    Model::Persistence::DocumentReader reader(registry);
    QMap<uint, int> counts;
    if (!reader.load(document, documentPath).ok)
        return counts;
    for (const auto &object : document.getAllObjects()) {
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)) {
            for (auto id : volume->materialIds())
                ++counts[id];
            break;
        }
    }
    return counts;
}

} // namespace

class TestBatchTool : public QObject
{
    Q_OBJECT

private slots:
    void createAndCoat();
    void failures_data();
    void failures();
    void skippedStepIsReportedAndStrictFails();
    void inputDocumentIsUsed();
    void shippedExampleRuns();
    void imageWithoutDisplayIsRefused();
    void imagesAreRendered();
};

void TestBatchTool::createAndCoat()
{
    QTemporaryDir dir;
    const QString list = writeFile(dir, "r.plst", recipe(createStep + cvdStep("1")));
    const QString out = dir.filePath("out.kst");
    const Run run = runTool({list, "--output", out, "--threads", "2"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.errors.contains("[1/2] Create Substrate"), qPrintable(run.errors));
    QVERIFY(run.errors.contains("[2/2] CVD"));
    const auto counts = materialCounts(out);
    QCOMPARE(counts.value(1), 8 * 8 * 4);
    // A film of one cell on the top face only (the sides touch the volume's faces).
    QCOMPARE(counts.value(3), 8 * 8);
}

void TestBatchTool::failures_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << QByteArray() << false << 3 << "no such file";
    QTest::newRow("malformed recipe") << QByteArray("<Process-List><Process-Data") << true << 3 << "cannot read";
    QTest::newRow("not a process list") << QByteArray("<Other/>") << true << 3 << "cannot read";
    QTest::newRow("no volume") << recipe(cvdStep("1")) << true << 4 << "Missing Cell Volume";
}

void TestBatchTool::failures()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, withFile);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString list = withFile ? writeFile(dir, "r.plst", content) : dir.filePath("absent.plst");
    const QString out = dir.filePath("out.kst");
    const Run run = runTool({list, "--output", out});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QVERIFY(!QFile::exists(out));
}

void TestBatchTool::skippedStepIsReportedAndStrictFails()
{
    QTemporaryDir dir;
    const QString list = writeFile(dir, "r.plst", recipe(createStep + cvdStep(QByteArray()) + cvdStep("abc") + cvdStep("1")));
    const QString out = dir.filePath("out.kst");
    Run run = runTool({list, "--output", out});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.errors.contains("[2/4] CVD skipped: a required parameter is missing (\"Thickness\")"), qPrintable(run.errors));
    QVERIFY2(run.errors.contains("[3/4] CVD skipped"), qPrintable(run.errors));
    QCOMPARE(materialCounts(out).value(3), 64);

    QFile::remove(out);
    run = runTool({list, "--output", out, "--strict"});
    QCOMPARE(run.exitCode, 5);
    QVERIFY(!run.errors.contains("[3/4]"));
    QVERIFY(!QFile::exists(out));
}

void TestBatchTool::inputDocumentIsUsed()
{
    QTemporaryDir dir;
    const QString first = dir.filePath("first.kst");
    QCOMPARE(runTool({writeFile(dir, "a.plst", recipe(createStep)), "--output", first}).exitCode, 0);
    const QString second = dir.filePath("second.kst");
    const Run run = runTool({writeFile(dir, "b.plst", recipe(cvdStep("1"))), "--input", first, "--output", second});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(materialCounts(second).value(3), 64);
}

void TestBatchTool::shippedExampleRuns()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("example.kst");
    const Run run = runTool({QStringLiteral(KESTRUM_EXAMPLES_DIR "/oxide_coat_and_etch.plst"), "--output", out});
    QCOMPARE(run.exitCode, 0);
    const auto counts = materialCounts(out);
    QVERIFY(counts.value(1) > 0);
    QVERIFY(counts.value(3) > 0);
}

void TestBatchTool::imageWithoutDisplayIsRefused()
{
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    const QString out = dir.filePath("out.kst");
    const Run run = runTool({QStringLiteral(KESTRUM_EXAMPLES_DIR "/oxide_coat_and_etch.plst"), "--output", out,
                             "--image", dir.filePath("x.png")},
                            environment);
    QCOMPARE(run.exitCode, 7);
    QVERIFY2(run.errors.contains("needs a display"), qPrintable(run.errors));
    QVERIFY(!QFile::exists(out));
}

void TestBatchTool::imagesAreRendered()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs a display (the test suite runs under xvfb-run)");
    QTemporaryDir dir;
    const QString shot = dir.filePath("step.png");
    const QByteArray saveStep = "<Process-Data process-type=\"10\"><Parameter parameter-name=\"Filename\" "
                                "parameter-type=\"QString\" parameter-data=\"" + shot.toUtf8() + "\"/></Process-Data>";
    const QByteArray refreshOnly = "<Process-Data process-type=\"10\"><Parameter parameter-name=\"Filename\" "
                                   "parameter-type=\"QString\" parameter-data=\"\"/></Process-Data>";
    const QString list = writeFile(dir, "r.plst", recipe(createStep + cvdStep("1") + saveStep + refreshOnly));
    const QString final = dir.filePath("final.png");
    const Run run = runTool({list, "--output", dir.filePath("out.kst"), "--image", final});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.errors.contains("[4/4] Save Image done"), qPrintable(run.errors));
    for (const QString &path : {shot, final}) {
        QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        // The volume stands out from the background in the middle of the image.
        const QColor background = image.pixelColor(2, 2);
        QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2) != background);
    }
}

QTEST_GUILESS_MAIN(TestBatchTool)
#include "tst_batchtool.moc"

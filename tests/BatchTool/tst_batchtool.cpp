#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(KESTRUM_BATCH_TOOL), arguments);
    if (!process.waitForFinished(120000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath("r.plst");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

QByteArray parameter(const QByteArray &name, const char *type, const QByteArray &data)
{
    return "<Parameter parameter-name=\"" + name + "\" parameter-type=\"" + type + "\" parameter-data=\"" + data + "\"/>";
}

// An 8 x 8 x 4 block of material 1 at the bottom of an 8 x 8 x 10 volume.
QByteArray createStep()
{
    QByteArray step = "<Process-Data process-type=\"11\">" + parameter("Lower Left Front Corner", "Util::Vector3D", "0;0;0")
                      + parameter("MaterialId", "uint", "1") + parameter("SphericalSubstrate", "bool", "false");
    for (const char *axis : {"X", "Y", "Z"}) {
        step += parameter(QByteArray("Substrate Delta ") + axis, "uint", "0");
        step += parameter(QByteArray("Substrate Size ") + axis, "uint", *axis == 'Z' ? "4" : "8");
        step += parameter(QByteArray("Volume Size ") + axis, "uint", *axis == 'Z' ? "10" : "8");
    }
    return step + "</Process-Data>";
}

QByteArray cvdStep(const QByteArray &thickness)
{
    QByteArray step = "<Process-Data process-type=\"4\">" + parameter("MaterialId", "uint", "3");
    if (!thickness.isNull())
        step += parameter("Thickness", "double", thickness);
    return step + "</Process-Data>";
}

QByteArray recipe(const QByteArray &steps)
{
    return "<?xml version=\"1.0\"?><Process-List>" + steps + "</Process-List>";
}

// Counts cells per material in the volumes of a document.
QMap<uint, int> materialCounts(const QString &documentPath)
{
    Model::Document document;
    Model::Persistence::ArchiverRegistry registry(QDir::tempPath());
    QMap<uint, int> counts;
    Model::Persistence::DocumentReader(registry).load(document, documentPath);
    for (const auto &object : document.getAllObjects())
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object))
            for (auto id : volume->materialIds())
                ++counts[id];
    return counts;
}

} // namespace

class TestBatchTool : public QObject
{
    Q_OBJECT

private slots:
    void failures_data();
    void failures();
    void skippedStepIsReportedAndStrictFails();
};

void TestBatchTool::failures_data()
{
    QTest::addColumn<QByteArray>("content"); // none: no file at all
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << QByteArray() << 3 << "no such file";
    QTest::newRow("malformed recipe") << QByteArray("<Process-List><Process-Data") << 3 << "cannot read";
    QTest::newRow("no volume") << recipe(cvdStep("1")) << 4 << "Missing Cell Volume";
}

void TestBatchTool::failures()
{
    QFETCH(QByteArray, content);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString list = content.isNull() ? dir.filePath("absent.plst") : writeFile(dir, content);
    const QString out = dir.filePath("out.kst");
    const Run run = runTool({list, "--output", out});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QVERIFY(!QFile::exists(out));
}

// Create, two CVD steps that cannot run, one that can.
void TestBatchTool::skippedStepIsReportedAndStrictFails()
{
    QTemporaryDir dir;
    const QString list = writeFile(dir, recipe(createStep() + cvdStep(QByteArray()) + cvdStep("abc") + cvdStep("1")));
    const QString out = dir.filePath("out.kst");
    Run run = runTool({list, "--output", out, "--threads", "2"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.errors.contains("[1/4] Create Substrate"), qPrintable(run.errors));
    QVERIFY(run.errors.contains("[2/4] CVD skipped: \"Thickness\" is missing"));
    QVERIFY(run.errors.contains("[3/4] CVD skipped: \"Thickness\" does not convert to a number"));
    QVERIFY(run.errors.contains("[4/4] CVD"));
    const auto counts = materialCounts(out);
    QCOMPARE(counts.value(1), 8 * 8 * 4);
    // A film of one cell on the top face only (the sides touch the volume's faces).
    QCOMPARE(counts.value(3), 8 * 8);

    QFile::remove(out);
    run = runTool({list, "--output", out, "--strict"});
    QCOMPARE(run.exitCode, 5);
    QVERIFY(!run.errors.contains("[3/4]"));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestBatchTool)
#include "tst_batchtool.moc"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/Process.h"
#include "Model/Process/ProcessFactory.h"

#include <QtTest>

#include <memory>

using Model::Materials::MaterialFactory;
using Model::Process::Process;
using Model::Process::ProcessFactory;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(contents);
}

QByteArray golden()
{
    return readFile(QStringLiteral(KESTRUM_TEST_DATA_DIR "/catalogues/processes-builtin.xml"));
}

QString idList(const QVector<std::uint32_t> &ids)
{
    QStringList parts;
    for (std::uint32_t id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

// "id:name:ids" of every process, in catalogue order.
QString summary(const QVector<Process> &processes)
{
    QStringList parts;
    for (const Process &process : processes)
        parts << QStringLiteral("%1:%2:%3")
                     .arg(process.getId())
                     .arg(process.getName(), idList(process.getCompatibleMaterialIds()));
    return parts.join(QLatin1Char('|'));
}

QByteArray catalogueFile(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Processes>\n" + body + "</Processes>\n";
}

} // namespace

class TestProcessCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void builtInTableWrittenAtStartUp();
    void builtInFileRoundTrip();
    void brokenFileReplacedByBuiltInTable_data();
    void brokenFileReplacedByBuiltInTable();
    void loadContents_data();
    void loadContents();
    void processByName_data();
    void processByName();
    void compatibleMaterialsFollowMaterialCatalogue();
    void editedListWrittenBack();
    void unwritableHome_data();
    void unwritableHome();

private:
    QString kestrumDir() const { return home->path() + QStringLiteral("/Kestrum"); }
    QString catalogPath() const { return kestrumDir() + QStringLiteral("/processes.xml"); }
    void useFile(const QByteArray &contents);

    std::unique_ptr<QTemporaryDir> home;
    std::shared_ptr<ProcessFactory> factory;
};

void TestProcessCatalogue::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", QFile::encodeName(home->path()));
    MaterialFactory::getInstance()->initialise();
    factory = ProcessFactory::getInstance();
}

void TestProcessCatalogue::cleanup()
{
    home.reset();
}

void TestProcessCatalogue::useFile(const QByteArray &contents)
{
    QVERIFY(QDir().mkpath(kestrumDir()));
    writeFile(catalogPath(), contents);
}

void TestProcessCatalogue::builtInTableWrittenAtStartUp()
{
    factory->initialise();
    const QByteArray written = readFile(catalogPath());
    QCOMPARE(written, golden());
    QVERIFY(written.contains("name=\"CVD\" process-id=\"3\">\n"
                             "        <CompatibleMaterials>3;16;</CompatibleMaterials>"));
    QCOMPARE(factory->getProcesses().size(), 12);
}

void TestProcessCatalogue::builtInFileRoundTrip()
{
    factory->loadDefaultProcesses();
    const QString builtIn = summary(factory->getProcesses());

    useFile(golden());
    factory->initialise();
    QCOMPARE(summary(factory->getProcesses()), builtIn);

    QVERIFY(QFile::remove(catalogPath()));
    QVERIFY(factory->saveProcesses());
    QCOMPARE(readFile(catalogPath()), golden());
}

void TestProcessCatalogue::brokenFileReplacedByBuiltInTable_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");

    const QByteArray good = golden();
    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("truncated file") << true << good.left(good.size() / 2);
    QTest::newRow("cut inside the list") << true << good.left(good.indexOf("3;16;") + 2);
    QTest::newRow("malformed XML")
        << true << catalogueFile("<Process name=\"CVD\" process-id=\"3\">\n");
    QTest::newRow("wrong root") << true << QByteArray("<Materials/>\n");
    QTest::newRow("binary garbage") << true << QByteArray("\x00\xff\xfe<\x01>", 6);
}

void TestProcessCatalogue::brokenFileReplacedByBuiltInTable()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    if (present)
        useFile(contents);

    factory->loadDefaultProcesses();
    const QString builtIn = summary(factory->getProcesses());
    factory->addProcess(Process(QStringLiteral("Kept"), 50));
    QVERIFY(!factory->loadProcesses());
    QCOMPARE(factory->getProcess(50).getName(), QStringLiteral("Kept")); // nothing half-loaded

    factory->initialise();
    QCOMPARE(summary(factory->getProcesses()), builtIn);
    QCOMPARE(readFile(catalogPath()), golden());
}

void TestProcessCatalogue::loadContents_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no Process elements") << QByteArray() << QString();
    QTest::newRow("empty parts and a word")
        << QByteArray("<Process version=\"1\" name=\"P\" process-id=\"4\">"
                      "<CompatibleMaterials>;;4;;x;5</CompatibleMaterials></Process>\n")
        << QStringLiteral("4:P:4,5");
    QTest::newRow("spaces and line breaks around ids")
        << QByteArray("<Process name=\"P\" process-id=\"4\"><CompatibleMaterials>\n"
                      "  3; 16 ;\n</CompatibleMaterials></Process>\n")
        << QStringLiteral("4:P:3,16");
    QTest::newRow("negative and oversized ids skipped")
        << QByteArray("<Process name=\"P\" process-id=\"4\"><CompatibleMaterials>"
                      "-1;7;99999999999;</CompatibleMaterials></Process>\n")
        << QStringLiteral("4:P:7");
    QTest::newRow("no CompatibleMaterials child, next process kept")
        << QByteArray("<Process name=\"A\" process-id=\"1\"/>\n"
                      "<Process name=\"B\" process-id=\"2\">"
                      "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n")
        << QStringLiteral("1:A:|2:B:1");
    QTest::newRow("empty CompatibleMaterials")
        << QByteArray("<Process name=\"A\" process-id=\"1\">\n"
                      "    <CompatibleMaterials></CompatibleMaterials>\n</Process>\n"
                      "<Process name=\"B\" process-id=\"2\"><CompatibleMaterials/></Process>\n")
        << QStringLiteral("1:A:|2:B:");
    QTest::newRow("other child instead of the list")
        << QByteArray("<Process name=\"A\" process-id=\"1\"><Note>3;</Note></Process>\n"
                      "<Process name=\"B\" process-id=\"2\"/>\n")
        << QStringLiteral("1:A:|2:B:");
    QTest::newRow("duplicate ids, later wins")
        << QByteArray("<Process name=\"First\" process-id=\"3\">"
                      "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
                      "<Process name=\"Second\" process-id=\"3\">"
                      "<CompatibleMaterials>2;</CompatibleMaterials></Process>\n")
        << QStringLiteral("3:Second:2");
    QTest::newRow("id 0, bad id or no name skipped")
        << QByteArray("<Process name=\"Zero\" process-id=\"0\">"
                      "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
                      "<Process name=\"Word\" process-id=\"x\"/>\n"
                      "<Process name=\"\" process-id=\"5\"/>\n"
                      "<Process process-id=\"6\"/>\n"
                      "<Process name=\"Good\" process-id=\"7\"/>\n")
        << QStringLiteral("7:Good:");
    QTest::newRow("duplicate material ids kept")
        << QByteArray("<Process name=\"P\" process-id=\"4\">"
                      "<CompatibleMaterials>3;3;</CompatibleMaterials></Process>\n")
        << QStringLiteral("4:P:3,3");
}

void TestProcessCatalogue::loadContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    useFile(catalogueFile(body));

    factory->initialise();
    QCOMPARE(summary(factory->getProcesses()), expected);
    QCOMPARE(readFile(catalogPath()), catalogueFile(body));
}

void TestProcessCatalogue::processByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::uint32_t>("expectedId");
    QTest::addColumn<QString>("expectedIds");

    QTest::newRow("CVD") << QStringLiteral("CVD") << 3u << QStringLiteral("3,16");
    QTest::newRow("lower case not found") << QStringLiteral("cvd") << 0u << QString();
    QTest::newRow("trailing space not found") << QStringLiteral("CVD ") << 0u << QString();
    QTest::newRow("empty name not found") << QString() << 0u << QString();
    QTest::newRow("Isotropic Etching") << QStringLiteral("Isotropic Etching") << 10u
                                       << QStringLiteral("1,3,4,5,6,7,8,9,10,11,12,13");
    QTest::newRow("same name twice: lowest id") << QStringLiteral("Twin") << 20u
                                                << QStringLiteral("1");
}

void TestProcessCatalogue::processByName()
{
    QFETCH(QString, name);
    QFETCH(std::uint32_t, expectedId);
    QFETCH(QString, expectedIds);

    factory->loadDefaultProcesses();
    QVERIFY(factory->addProcess(Process(QStringLiteral("Twin"), 30, {2})));
    QVERIFY(factory->addProcess(Process(QStringLiteral("Twin"), 20, {1})));
    QVERIFY(!factory->addProcess(Process(QStringLiteral("Zero"), 0, {1})));

    const Process process = factory->getProcess(name);
    QCOMPARE(process.getId(), expectedId);
    QCOMPARE(idList(process.getCompatibleMaterialIds()), expectedIds);
    if (expectedId == 0)
        QVERIFY(process.getCompatibleMaterials().isEmpty());
}

void TestProcessCatalogue::compatibleMaterialsFollowMaterialCatalogue()
{
    factory->initialise();
    const auto materials = MaterialFactory::getInstance();
    QVERIFY(materials->removeMaterial(16));

    const QVector<Model::Materials::Material> cvd = factory->getProcess(QStringLiteral("CVD"))
                                                        .getCompatibleMaterials();
    QCOMPARE(cvd.size(), 1);
    QCOMPARE(cvd.first().getName(), QStringLiteral("Thermal Si02"));
    // The catalogue and its file keep the id.
    QCOMPARE(idList(factory->getProcess(3).getCompatibleMaterialIds()), QStringLiteral("3,16"));
    QVERIFY(factory->saveProcesses());
    QVERIFY(readFile(catalogPath()).contains("<CompatibleMaterials>3;16;</CompatibleMaterials>"));
}

void TestProcessCatalogue::editedListWrittenBack()
{
    factory->initialise();
    Process film = factory->getProcess(QStringLiteral("Film Etching"));
    film.addCompatibleMaterial(4); // already listed: now twice
    film.removeCompatibleMaterial(4);
    film.removeCompatibleMaterial(99); // not listed: no change
    film.addCompatibleMaterial(1);
    QVERIFY(factory->addProcess(film));
    QVERIFY(factory->saveProcesses());

    factory->initialise();
    QCOMPARE(idList(factory->getProcess(5).getCompatibleMaterialIds()),
             QStringLiteral("3,5,6,7,8,9,10,11,12,13,1"));
}

void TestProcessCatalogue::unwritableHome_data()
{
    QTest::addColumn<QString>("setup");

    QTest::newRow("HOME is a file") << QStringLiteral("home-file");
    QTest::newRow("Kestrum is a file") << QStringLiteral("kestrum-file");
    QTest::newRow("processes.xml is a folder") << QStringLiteral("catalogue-folder");
}

void TestProcessCatalogue::unwritableHome()
{
    QFETCH(QString, setup);

    if (setup == QLatin1String("home-file")) {
        const QString file = home->path() + QStringLiteral("/not-a-folder");
        writeFile(file, "x");
        qputenv("HOME", QFile::encodeName(file));
    } else if (setup == QLatin1String("kestrum-file")) {
        QVERIFY(QDir(kestrumDir()).removeRecursively()); // made by the material catalogue
        writeFile(kestrumDir(), "x");
    } else {
        QVERIFY(QDir().mkpath(catalogPath()));
    }

    factory->initialise();
    QCOMPARE(factory->getProcesses().size(), 12);
    QCOMPARE(factory->getProcess(QStringLiteral("CVD")).getId(), 3u);
    QVERIFY(!factory->saveProcesses());
}

QTEST_GUILESS_MAIN(TestProcessCatalogue)
#include "tst_processcatalogue.moc"

#include "../TempHome.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/Process.h"
#include "Model/Process/ProcessFactory.h"

#include <QtTest>

#include <memory>

using Model::Materials::MaterialFactory;
using Model::Process::Process;
using Model::Process::ProcessFactory;
using TestFiles::TempHome;

namespace {

QByteArray golden()
{
    return TestFiles::read(QStringLiteral(KESTRUM_TEST_DATA_DIR "/catalogues/processes-builtin.xml"));
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
    void cleanup() { home.reset(); }

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
    std::unique_ptr<TempHome> home;
    std::shared_ptr<ProcessFactory> factory;
};

void TestProcessCatalogue::init()
{
    home = std::make_unique<TempHome>(QStringLiteral("processes.xml"));
    MaterialFactory::getInstance()->initialise();
    factory = ProcessFactory::getInstance();
}

void TestProcessCatalogue::builtInFileRoundTrip()
{
    factory->initialise(); // no file yet: the built-in table is written
    QCOMPARE(TestFiles::read(home->catalogPath()), golden());
    QVERIFY(golden().contains("name=\"CVD\" process-id=\"3\">\n"
                              "        <CompatibleMaterials>3;16;</CompatibleMaterials>"));
    QCOMPARE(factory->getProcesses().size(), 12);
    factory->loadDefaultProcesses();
    const QString builtIn = summary(factory->getProcesses());

    factory->initialise(); // now read from the file
    QCOMPARE(summary(factory->getProcesses()), builtIn);
    QVERIFY(QFile::remove(home->catalogPath()));
    QVERIFY(factory->saveProcesses());
    QCOMPARE(TestFiles::read(home->catalogPath()), golden());
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
    QTest::newRow("malformed XML") << true << catalogueFile("<Process name=\"CVD\" process-id=\"3\">\n");
    QTest::newRow("wrong root") << true << QByteArray("<Materials/>\n");
    QTest::newRow("binary garbage") << true << QByteArray("\x00\xff\xfe<\x01>", 6);
}

void TestProcessCatalogue::brokenFileReplacedByBuiltInTable()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    if (present)
        QVERIFY(home->use(contents));

    factory->loadDefaultProcesses();
    const QString builtIn = summary(factory->getProcesses());
    factory->addProcess(Process(QStringLiteral("Kept"), 50));
    QVERIFY(!factory->loadProcesses());
    QCOMPARE(factory->getProcess(50).getName(), QStringLiteral("Kept")); // nothing half-loaded

    factory->initialise();
    QCOMPARE(summary(factory->getProcesses()), builtIn);
    QCOMPARE(TestFiles::read(home->catalogPath()), golden());
}

void TestProcessCatalogue::loadContents_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    const QByteArray b = "<Process name=\"B\" process-id=\"2\">";
    QTest::newRow("no Process elements") << QByteArray() << QString();
    QTest::newRow("empty parts and a word")
        << QByteArray("<Process version=\"1\" name=\"P\" process-id=\"4\">"
                      "<CompatibleMaterials>;;4;;x;5</CompatibleMaterials></Process>\n")
        << "4:P:4,5";
    QTest::newRow("spaces and line breaks around ids")
        << QByteArray("<Process name=\"P\" process-id=\"4\"><CompatibleMaterials>\n"
                      "  3; 16 ;\n</CompatibleMaterials></Process>\n")
        << "4:P:3,16";
    QTest::newRow("negative and oversized ids skipped, duplicates kept") << QByteArray(
        "<Process name=\"P\" process-id=\"4\"><CompatibleMaterials>"
        "-1;7;99999999999;7;</CompatibleMaterials></Process>\n") << "4:P:7,7";
    QTest::newRow("no CompatibleMaterials child, next process kept")
        << "<Process name=\"A\" process-id=\"1\"/>\n" + b
            + "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
        << "1:A:|2:B:1";
    QTest::newRow("empty CompatibleMaterials") << "<Process name=\"A\" process-id=\"1\">\n    "
                                                  "<CompatibleMaterials></CompatibleMaterials>\n</Process>\n"
            + b + "<CompatibleMaterials/></Process>\n"
                                               << "1:A:|2:B:";
    QTest::newRow("other child instead of the list")
        << "<Process name=\"A\" process-id=\"1\"><Note>3;</Note></Process>\n" + b + "</Process>\n"
        << "1:A:|2:B:";
    QTest::newRow("duplicate ids, later wins") << QByteArray(
        "<Process name=\"First\" process-id=\"3\"><CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
        "<Process name=\"Second\" process-id=\"3\"><CompatibleMaterials>2;</CompatibleMaterials></Process>\n")
                                               << "3:Second:2";
    QTest::newRow("id 0, bad id or no name skipped") << QByteArray(
        "<Process name=\"Zero\" process-id=\"0\"><CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
        "<Process name=\"Word\" process-id=\"x\"/>\n<Process name=\"\" process-id=\"5\"/>\n"
        "<Process process-id=\"6\"/>\n<Process name=\"Good\" process-id=\"7\"/>\n")
                                                     << "7:Good:";
}

void TestProcessCatalogue::loadContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QVERIFY(home->use(catalogueFile(body)));

    factory->initialise();
    QCOMPARE(summary(factory->getProcesses()), expected);
    QCOMPARE(TestFiles::read(home->catalogPath()), catalogueFile(body));
}

void TestProcessCatalogue::processByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::uint32_t>("expectedId");
    QTest::addColumn<QString>("expectedIds");

    QTest::newRow("CVD") << "CVD" << 3u << "3,16";
    QTest::newRow("lower case not found") << "cvd" << 0u << QString();
    QTest::newRow("trailing space not found") << "CVD " << 0u << QString();
    QTest::newRow("empty name not found") << QString() << 0u << QString();
    QTest::newRow("Isotropic Etching") << "Isotropic Etching" << 10u << "1,3,4,5,6,7,8,9,10,11,12,13";
    QTest::newRow("same name twice: lowest id") << "Twin" << 20u << "1";
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
    QVERIFY(MaterialFactory::getInstance()->removeMaterial(16));

    const auto cvd = factory->getProcess(QStringLiteral("CVD")).getCompatibleMaterials();
    QCOMPARE(cvd.size(), 1);
    QCOMPARE(cvd.first().getName(), QStringLiteral("Thermal Si02"));
    // The catalogue and its file keep the id.
    QCOMPARE(idList(factory->getProcess(3).getCompatibleMaterialIds()), QStringLiteral("3,16"));
    QVERIFY(factory->saveProcesses());
    QVERIFY(
        TestFiles::read(home->catalogPath()).contains("<CompatibleMaterials>3;16;</CompatibleMaterials>"));
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
    for (const char *setup : {"home-file", "kestrum-file", "catalogue-folder"})
        QTest::newRow(setup) << QString::fromLatin1(setup);
}

void TestProcessCatalogue::unwritableHome()
{
    QFETCH(QString, setup);
    QCOMPARE(home->spoil(setup), TempHome::Done);

    factory->initialise();
    QCOMPARE(factory->getProcesses().size(), 12);
    QCOMPARE(factory->getProcess(QStringLiteral("CVD")).getId(), 3u);
    QVERIFY(!factory->saveProcesses());
}

QTEST_GUILESS_MAIN(TestProcessCatalogue)
#include "tst_processcatalogue.moc"

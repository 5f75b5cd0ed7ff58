#include "../Mutations.h"
#include "../TempHome.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/Process.h"
#include "Model/Process/ProcessFactory.h"

#include <QLoggingCategory>
#include <QtTest>

#include <memory>

using Model::Process::Process;
using Model::Process::ProcessFactory;
using TestFiles::TempHome;

namespace {

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
    for (const Process &p : processes)
        parts << QStringLiteral("%1:%2:%3").arg(p.getId()).arg(p.getName(), idList(p.getCompatibleMaterialIds()));
    return parts.join(QLatin1Char('|'));
}

} // namespace

class TestProcessCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { home.reset(); }

    void builtInFileRoundTrip();
    void loadContents_data();
    void loadContents();
    void damagedFiles();

private:
    std::unique_ptr<TempHome> home;
    std::shared_ptr<ProcessFactory> factory;
};

void TestProcessCatalogue::init()
{
    home = std::make_unique<TempHome>(QStringLiteral("processes.xml"));
    Model::Materials::MaterialFactory::getInstance()->initialise();
    factory = ProcessFactory::getInstance();
}

void TestProcessCatalogue::builtInFileRoundTrip()
{
    factory->initialise(); // no file yet: the built-in table is written
    QCOMPARE(TestFiles::read(home->catalogPath()), TestFiles::golden("processes-builtin.xml"));
    QCOMPARE(factory->getProcesses().size(), 12);
    factory->loadDefaultProcesses();
    const QString builtIn = summary(factory->getProcesses());
    factory->initialise(); // now read from the file
    QCOMPARE(summary(factory->getProcesses()), builtIn);
    QVERIFY(QFile::remove(home->catalogPath()));
    QVERIFY(factory->saveProcesses());
    QCOMPARE(TestFiles::read(home->catalogPath()), TestFiles::golden("processes-builtin.xml"));
}

void TestProcessCatalogue::loadContents_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty parts and a word") << QByteArray("<Process version=\"1\" name=\"P\" process-id=\"4\">"
                                                          "<CompatibleMaterials>;;4;;x;5</CompatibleMaterials></Process>\n")
                                            << "4:P:4,5";
    QTest::newRow("no CompatibleMaterials child, next process kept")
        << QByteArray("<Process name=\"A\" process-id=\"1\"/>\n<Process name=\"B\" process-id=\"2\">"
                      "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n")
        << "1:A:|2:B:1";
    QTest::newRow("duplicate ids, later wins") << QByteArray(
        "<Process name=\"First\" process-id=\"3\"><CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
        "<Process name=\"Second\" process-id=\"3\"><CompatibleMaterials>2;</CompatibleMaterials></Process>\n")
                                               << "3:Second:2";
}

void TestProcessCatalogue::loadContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QVERIFY(home->use(TestFiles::catalogueFile("Processes", body)));
    factory->initialise();
    QCOMPARE(summary(factory->getProcesses()), expected);
    QCOMPARE(TestFiles::read(home->catalogPath()), TestFiles::catalogueFile("Processes", body));
}

// A fuzzer's damage to the built-in file: each load succeeds with usable
// entries only, or fails and leaves the catalogue as it was.
void TestProcessCatalogue::damagedFiles()
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    const QString refused = TestFiles::firstRefused(TestFiles::golden("processes-builtin.xml"), 32u, [&](const QByteArray &bytes) {
        factory->loadDefaultProcesses();
        const QString before = summary(factory->getProcesses());
        if (!home->use(bytes) || !factory->loadProcesses())
            return summary(factory->getProcesses()) == before;
        for (const Process &process : factory->getProcesses())
            if (process.getId() == 0 || process.getName().isEmpty())
                return false;
        return true;
    });
    QLoggingCategory::setFilterRules(QString());
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
}

QTEST_GUILESS_MAIN(TestProcessCatalogue)
#include "tst_processcatalogue.moc"

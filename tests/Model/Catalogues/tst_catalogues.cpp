#include "../Mutations.h"
#include "../TempHome.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/Process.h"
#include "Model/Process/ProcessFactory.h"

#include <QLoggingCategory>
#include <QtTest>

#include <functional>
#include <memory>

using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Process::Process;
using Model::Process::ProcessFactory;
using TestFiles::TempHome;

namespace {

// Either catalogue behind the same calls. `summary` lists every entry in
// catalogue order: "id:name:density:poisson:young" or "id:name:material ids".
struct Catalogue
{
    QString file;
    QByteArray root;
    std::function<void()> loadDefaults, initialise;
    std::function<bool()> load, save;
    std::function<QString()> summary;
    std::function<bool()> usable; // every entry has an id, a name and a colour within [0, 1]
    std::function<QString()> problem;
};

Catalogue catalogue(bool materials)
{
    if (materials) {
        auto f = MaterialFactory::getInstance();
        return {"materials.xml", "Materials", [f] { f->loadDefaultMaterials(); }, [f] { f->initialise(); },
                [f] { return f->loadMaterials(); }, [f] { return f->saveMaterials(); },
                [f] {
                    QStringList parts;
                    for (const Material &m : f->getMaterials())
                        parts << QStringLiteral("%1:%2:%3:%4:%5").arg(m.getId()).arg(m.getName())
                                     .arg(m.getDensity()).arg(m.getPoissonRatio()).arg(m.getYoungModulus());
                    return parts.join(QLatin1Char('|'));
                },
                [f] {
                    for (const Material &m : f->getMaterials())
                        for (int i = 0; i < 4; ++i)
                            if (m.getId() == 0 || m.getName().isEmpty() || !(m.getColor()[i] >= 0.0 && m.getColor()[i] <= 1.0))
                                return false;
                    return true;
                },
                [f] { return f->loadProblem(); }};
    }
    MaterialFactory::getInstance()->initialise();
    auto f = ProcessFactory::getInstance();
    return {"processes.xml", "Processes", [f] { f->loadDefaultProcesses(); }, [f] { f->initialise(); },
            [f] { return f->loadProcesses(); }, [f] { return f->saveProcesses(); },
            [f] {
                QStringList parts;
                for (const Process &p : f->getProcesses()) {
                    QStringList ids;
                    for (std::uint32_t id : p.getCompatibleMaterialIds())
                        ids << QString::number(id);
                    parts << QStringLiteral("%1:%2:%3").arg(p.getId()).arg(p.getName(), ids.join(QLatin1Char(',')));
                }
                return parts.join(QLatin1Char('|'));
            },
            [f] {
                for (const Process &p : f->getProcesses())
                    if (p.getId() == 0 || p.getName().isEmpty())
                        return false;
                return true;
            },
            [f] { return f->loadProblem(); }};
}

QByteArray golden(const Catalogue &c)
{
    return TestFiles::golden(c.file == QLatin1String("materials.xml") ? "materials-builtin.xml" : "processes-builtin.xml");
}

} // namespace

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void init() { home = std::make_unique<TempHome>(QStringLiteral("materials.xml")); }
    void cleanup() { home.reset(); }

    void builtInFileRoundTrip_data() { bothCatalogues(); }
    void builtInFileRoundTrip();
    void fileAtStartUp_data();
    void fileAtStartUp();
    void darkColourThroughFile();
    void unwritableHomeKeepsBuiltInTables();
    void damagedFiles_data() { bothCatalogues(); }
    void damagedFiles();

private:
    void bothCatalogues()
    {
        QTest::addColumn<bool>("materials");
        QTest::newRow("materials") << true;
        QTest::newRow("processes") << false;
    }
    // The catalogue of the current row, with a private HOME for its file.
    Catalogue use(bool materials)
    {
        Catalogue c = catalogue(materials);
        home = std::make_unique<TempHome>(c.file);
        return c;
    }

    std::unique_ptr<TempHome> home;
};

void TestCatalogues::builtInFileRoundTrip()
{
    QFETCH(bool, materials);
    const Catalogue c = use(materials);
    c.initialise(); // no file yet: the built-in table is written (see fileAtStartUp)
    c.loadDefaults();
    const QString builtIn = c.summary();
    c.initialise(); // now read from the file
    QCOMPARE(c.summary(), builtIn);
    QVERIFY(QFile::remove(home->catalogPath()));
    QVERIFY(c.save());
    QCOMPARE(TestFiles::read(home->catalogPath()), golden(c));
}

void TestCatalogues::fileAtStartUp_data()
{
    QTest::addColumn<bool>("materials");
    QTest::addColumn<QByteArray>("contents"); // null: no file
    QTest::addColumn<QString>("loaded");      // the summary after loading; empty: the built-in table
    QTest::addColumn<QString>("where");       // where reading stopped; empty: nothing to keep
    const auto materials = [](const QByteArray &body) { return TestFiles::catalogueFile("Materials", body); };
    const auto processes = [](const QByteArray &body) { return TestFiles::catalogueFile("Processes", body); };
    QTest::newRow("missing file: the built-in table is written") << true << QByteArray() << QString() << QString();
    QTest::newRow("empty file: the built-in table is written") << false << QByteArray("") << QString() << QString();
    // A hand-added material whose name holds a bare "&" once cost the user
    // the whole catalogue.
    QTest::newRow("bare & in a material name") << true
        << materials("<Material name=\"Si\" material-id=\"1\"/>\n<Material name=\"Cr & Au\" material-id=\"40\"/>\n")
        << QString() << "(line 4, column 21: Expected";
    QTest::newRow("bare & in a process name") << false
        << processes("<Process name=\"Dip & Rinse\" process-id=\"40\">"
                     "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n")
        << QString() << "(line 3, column 21: Expected";
    QTest::newRow("cut short") << true << materials("<Material name=\"Si\" material-id=\"1\">\n") << QString()
                               << "(line 4, column 12: Opening and ending tag mismatch";
    QTest::newRow("wrong root") << false << QByteArray("<Materials/>\n") << QString()
                                << "(line 1, column 12: the file holds \"Materials\", not \"Processes\")";
    QTest::newRow("material-id 0 skipped") << true
        << materials("<Material name=\"Zero\" material-id=\"0\"/>\n"
                     "<Material version=\"1\" name=\"Glass\" material-id=\"40\"/>\n")
        << "40:Glass:0:0:0" << QString();
    QTest::newRow("duplicate material ids, later wins") << true
        << materials("<Material name=\"First\" material-id=\"7\"/>\n<Material name=\"Second\" material-id=\"7\"/>\n")
        << "7:Second:0:0:0" << QString();
    QTest::newRow("empty parts and a word among the material ids") << false
        << processes("<Process version=\"1\" name=\"P\" process-id=\"4\">"
                     "<CompatibleMaterials>;;4;;x;5</CompatibleMaterials></Process>\n")
        << "4:P:4,5" << QString();
    QTest::newRow("no CompatibleMaterials child, next process kept") << false
        << processes("<Process name=\"A\" process-id=\"1\"/>\n<Process name=\"B\" process-id=\"2\">"
                     "<CompatibleMaterials>1;</CompatibleMaterials></Process>\n")
        << "1:A:|2:B:1" << QString();
    QTest::newRow("duplicate process ids, later wins") << false
        << processes("<Process name=\"First\" process-id=\"3\"><CompatibleMaterials>1;</CompatibleMaterials></Process>\n"
                     "<Process name=\"Second\" process-id=\"3\"><CompatibleMaterials>2;</CompatibleMaterials></Process>\n")
        << "3:Second:2" << QString();
}

// A file that loads is kept as it is. One that cannot be read holds the
// user's entries: it is kept byte for byte, saves refuse to replace it, and
// the problem names the file and where reading stopped; the built-in table
// serves meanwhile, nothing half-loaded.
void TestCatalogues::fileAtStartUp()
{
    QFETCH(bool, materials);
    QFETCH(QByteArray, contents);
    QFETCH(QString, loaded);
    QFETCH(QString, where);
    const Catalogue c = use(materials);
    if (!contents.isNull())
        QVERIFY(home->use(contents));
    c.loadDefaults();
    const QString builtIn = c.summary();
    QCOMPARE(c.load(), !loaded.isEmpty());
    if (loaded.isEmpty())
        QCOMPARE(c.summary(), builtIn);
    c.initialise();
    QCOMPARE(c.summary(), loaded.isEmpty() ? builtIn : loaded);
    if (where.isEmpty()) {
        QCOMPARE(c.problem(), QString());
        QCOMPARE(TestFiles::read(home->catalogPath()), contents.isEmpty() ? golden(c) : contents);
        return;
    }
    QVERIFY2(c.problem().startsWith(QStringLiteral("The %1 catalogue %2 cannot be read %3")
                                        .arg(materials ? "material" : "process",
                                             QDir::toNativeSeparators(home->catalogPath()), where)),
             qPrintable(c.problem()));
    // A bare "&", the usual slip of a hand edit, is named with its remedy.
    QCOMPARE(c.problem().contains(QStringLiteral("a \"&\" is written \"&amp;\"")), contents.contains(" & "));
    QVERIFY(c.problem().endsWith(QStringLiteral("it is kept unchanged and the built-in %1 are used for this run.")
                                     .arg(materials ? "materials" : "processes")));
    QVERIFY(!c.save());
    QCOMPARE(TestFiles::read(home->catalogPath()), contents);
}

// Components below 16/255 keep their leading zero in the file.
void TestCatalogues::darkColourThroughFile()
{
    auto factory = MaterialFactory::getInstance();
    const float c[4] = {0.05f, 1.0f / 255, 15.0f / 255, 0.02f};
    factory->loadDefaultMaterials();
    QVERIFY(factory->addMaterial(Material(77, QStringLiteral("Dark"), 1, 2, 0.3f, c)));
    QVERIFY(factory->saveMaterials());
    QVERIFY(TestFiles::read(home->catalogPath()).contains("name=\"Dark\""));
    factory->initialise();
    const Material loaded = factory->getMaterial(77);
    QCOMPARE(loaded.getName(), QStringLiteral("Dark"));
    for (int i = 0; i < 4; ++i)
        QVERIFY2(qAbs(loaded.getColor()[i] - c[i]) <= 1.0 / 255 + 1e-6, qPrintable(QString::number(i)));
}

void TestCatalogues::unwritableHomeKeepsBuiltInTables()
{
    auto factory = MaterialFactory::getInstance();
    // HOME is a plain file: nothing can be read or written below it, and both
    // catalogues still start with their built-in tables.
    QTemporaryDir dir;
    const QString fileAsHome = dir.filePath("home");
    QVERIFY(TestFiles::write(fileAsHome, "not a folder"));
    qputenv("HOME", QFile::encodeName(fileAsHome));
    factory->loadDefaultMaterials();
    const QString builtIn = catalogue(true).summary();
    factory->initialise();
    QCOMPARE(catalogue(true).summary(), builtIn);
    QVERIFY(!factory->saveMaterials());
    auto processes = Model::Process::ProcessFactory::getInstance();
    processes->initialise();
    QCOMPARE(processes->getProcesses().size(), 12);
    QVERIFY(!processes->saveProcesses());
    QCOMPARE(TestFiles::read(fileAsHome), QByteArray("not a folder"));
}

// A fuzzer's damage to the built-in file: each load succeeds with usable
// entries only, or fails and leaves the catalogue as it was; start-up then
// keeps the damaged file byte for byte and says so (an emptied file holds
// nothing and is written anew).
void TestCatalogues::damagedFiles()
{
    QFETCH(bool, materials);
    const Catalogue c = use(materials);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    const QString refused = TestFiles::firstRefused(golden(c), materials ? 31u : 32u, [&](const QByteArray &bytes) {
        c.loadDefaults();
        const QString before = c.summary();
        if (!home->use(bytes))
            return false;
        if (c.load())
            return c.usable() && c.problem().isEmpty();
        if (c.summary() != before)
            return false;
        c.initialise();
        if (c.summary() != before)
            return false;
        if (bytes.isEmpty())
            return c.problem().isEmpty() && TestFiles::read(home->catalogPath()) == golden(c);
        return c.problem().contains(QDir::toNativeSeparators(home->catalogPath())) && !c.save()
               && TestFiles::read(home->catalogPath()) == bytes;
    });
    QLoggingCategory::setFilterRules(QString());
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"

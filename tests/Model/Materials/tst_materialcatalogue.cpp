#include "../Mutations.h"
#include "../TempHome.h"
#include "Model/Process/ProcessFactory.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"

#include <QLoggingCategory>
#include <QtTest>

#include <cmath>

#include <memory>

using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using TestFiles::TempHome;

namespace {

// "id:name" of every catalogue entry, in catalogue order.
QString summary(const QVector<Material> &materials)
{
    QStringList parts;
    for (const Material &material : materials)
        parts << QStringLiteral("%1:%2").arg(material.getId()).arg(material.getName());
    return parts.join(QLatin1Char('|'));
}

} // namespace

class TestMaterialCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { home.reset(); }

    void builtInFileRoundTrip();
    void brokenFileReplacedByBuiltInTable_data();
    void brokenFileReplacedByBuiltInTable();
    void loadContents_data();
    void loadContents();
    void darkColourThroughFile();
    void unwritableHomeKeepsBuiltInTables();
    void newMaterialIdRange();
    void damagedFiles();

private:
    std::unique_ptr<TempHome> home;
    std::shared_ptr<MaterialFactory> factory;
};

// Nothing is written before the catalogue is first used; then it writes the
// built-in table into the test's own HOME. Removing it keeps the check
// meaningful on the next run.
void TestMaterialCatalogue::initTestCase()
{
    const QString startUpFile = QDir::homePath() + QStringLiteral("/Kestrum/materials.xml");
    QFile::remove(startUpFile);
    QVERIFY(!QFile::exists(startUpFile));
    MaterialFactory::getInstance();
    QCOMPARE(TestFiles::read(startUpFile), TestFiles::golden("materials-builtin.xml"));
    QVERIFY(QFile::remove(startUpFile));
}

void TestMaterialCatalogue::init()
{
    home = std::make_unique<TempHome>(QStringLiteral("materials.xml"));
    factory = MaterialFactory::getInstance();
}

void TestMaterialCatalogue::builtInFileRoundTrip()
{
    factory->loadDefaultMaterials();
    const QVector<Material> builtIn = factory->getMaterials();
    QVERIFY(home->use(TestFiles::golden("materials-builtin.xml")));
    factory->initialise();
    const QVector<Material> loaded = factory->getMaterials();
    QCOMPARE(loaded.size(), builtIn.size());
    for (int i = 0; i < loaded.size(); ++i) { // id, name and colour within 1/256, then the numbers
        QCOMPARE(loaded[i], builtIn[i]);
        QVERIFY(loaded[i].getDensity() == builtIn[i].getDensity() && loaded[i].getPoissonRatio() == builtIn[i].getPoissonRatio()
            && loaded[i].getYoungModulus() == builtIn[i].getYoungModulus());
    }
    QVERIFY(QFile::remove(home->catalogPath()));
    QVERIFY(factory->saveMaterials());
    QCOMPARE(TestFiles::read(home->catalogPath()), TestFiles::golden("materials-builtin.xml"));
}

void TestMaterialCatalogue::brokenFileReplacedByBuiltInTable_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("malformed XML")
        << true << TestFiles::catalogueFile("Materials", "<Material version=\"1\" name=\"Si\" material-id=\"1\">\n");
    QTest::newRow("wrong root") << true << QByteArray("<Processes/>\n");
}

void TestMaterialCatalogue::brokenFileReplacedByBuiltInTable()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    if (present)
        QVERIFY(home->use(contents));
    factory->loadDefaultMaterials();
    const QString builtIn = summary(factory->getMaterials());
    QVERIFY(!factory->loadMaterials());
    QCOMPARE(summary(factory->getMaterials()), builtIn); // nothing half-loaded
    factory->initialise();
    QCOMPARE(summary(factory->getMaterials()), builtIn);
    QCOMPARE(TestFiles::read(home->catalogPath()), TestFiles::golden("materials-builtin.xml"));
}

void TestMaterialCatalogue::loadContents_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("material-id 0 skipped")
        << QByteArray("<Material name=\"Zero\" material-id=\"0\"/>\n"
                      "<Material version=\"1\" name=\"Glass\" material-id=\"40\"/>\n")
        << QStringLiteral("40:Glass");
    QTest::newRow("duplicate ids, later wins")
        << QByteArray("<Material name=\"First\" material-id=\"7\"/>\n"
                      "<Material name=\"Second\" material-id=\"7\"/>\n")
        << QStringLiteral("7:Second");
}

void TestMaterialCatalogue::loadContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QVERIFY(home->use(TestFiles::catalogueFile("Materials", body)));
    factory->initialise();
    QCOMPARE(summary(factory->getMaterials()), expected);
    QCOMPARE(TestFiles::read(home->catalogPath()), TestFiles::catalogueFile("Materials", body)); // a file that loads is kept
}

// Components below 16/255 keep their leading zero in the file.
void TestMaterialCatalogue::darkColourThroughFile()
{
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

void TestMaterialCatalogue::unwritableHomeKeepsBuiltInTables()
{
    // HOME is a plain file: nothing can be read or written below it, and both
    // catalogues still start with their built-in tables.
    QTemporaryDir dir;
    const QString fileAsHome = dir.filePath("home");
    QVERIFY(TestFiles::write(fileAsHome, "not a folder"));
    qputenv("HOME", QFile::encodeName(fileAsHome));
    factory->loadDefaultMaterials();
    const QString builtIn = summary(factory->getMaterials());
    factory->initialise();
    QCOMPARE(summary(factory->getMaterials()), builtIn);
    QVERIFY(!factory->saveMaterials());
    auto processes = Model::Process::ProcessFactory::getInstance();
    processes->initialise();
    QCOMPARE(processes->getProcesses().size(), 12);
    QVERIFY(!processes->saveProcesses());
    QCOMPARE(TestFiles::read(fileAsHome), QByteArray("not a folder"));
}

// New ids come from 2000 to 32766: in a crowded range the last free one is
// found; a full range gives 0.
void TestMaterialCatalogue::newMaterialIdRange()
{
    factory->loadDefaultMaterials();
    for (std::uint32_t id = 1990; id < 32766; ++id)
        factory->addMaterial(Material(id, QStringLiteral("M"), 0, 0, 0, nullptr));
    QCOMPARE(factory->getNewMaterialId(), 32766u);
    factory->addMaterial(Material(32766, QStringLiteral("M"), 0, 0, 0, nullptr));
    QCOMPARE(factory->getNewMaterialId(), 0u);
}

// A fuzzer's damage to the built-in file: each load succeeds with usable
// entries only, or fails and leaves the catalogue as it was.
void TestMaterialCatalogue::damagedFiles()
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    const QString refused = TestFiles::firstRefused(TestFiles::golden("materials-builtin.xml"), 31u, [&](const QByteArray &bytes) {
        factory->loadDefaultMaterials();
        const QString before = summary(factory->getMaterials());
        if (!home->use(bytes) || !factory->loadMaterials())
            return summary(factory->getMaterials()) == before;
        for (const Material &material : factory->getMaterials()) {
            const Util::Vector4D colour = material.getColor();
            for (int i = 0; i < 4; ++i)
                if (material.getId() == 0 || material.getName().isEmpty() || !(colour[i] >= 0.0 && colour[i] <= 1.0))
                    return false;
        }
        return true;
    });
    QLoggingCategory::setFilterRules(QString());
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
}

QTEST_GUILESS_MAIN(TestMaterialCatalogue)
#include "tst_materialcatalogue.moc"

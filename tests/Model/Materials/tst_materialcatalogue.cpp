#include "../TempHome.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/MaterialArchiver.h"

#include <QtTest>

#include <memory>

using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Persistence::MaterialArchiver;
using TestFiles::TempHome;

namespace {

QByteArray golden()
{
    return TestFiles::read(QStringLiteral(KESTRUM_TEST_DATA_DIR "/catalogues/materials-builtin.xml"));
}

// "id:name" of every catalogue entry, in catalogue order.
QString summary(const QVector<Material> &materials)
{
    QStringList parts;
    for (const Material &material : materials)
        parts << QStringLiteral("%1:%2").arg(material.getId()).arg(material.getName());
    return parts.join(QLatin1Char('|'));
}

QByteArray catalogueFile(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Materials>\n" + body + "</Materials>\n";
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
    void colourThroughFile_data();
    void colourThroughFile();
    void colourText_data();
    void colourText();
    void newMaterialIdRangeAndUniqueness();
    void newMaterialIdWithCrowdedRange_data();
    void newMaterialIdWithCrowdedRange();
    void unwritableHome_data();
    void unwritableHome();

private:
    std::unique_ptr<TempHome> home;
    std::shared_ptr<MaterialFactory> factory;
};

// The catalogue is created before main and writes the built-in table into the
// test's own HOME; removing it keeps the check meaningful on the next run.
void TestMaterialCatalogue::initTestCase()
{
    const QString startUpFile = QDir::homePath() + QStringLiteral("/Kestrum/materials.xml");
    QCOMPARE(TestFiles::read(startUpFile), golden());
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

    QVERIFY(home->use(golden()));
    factory->initialise();
    const QVector<Material> loaded = factory->getMaterials();
    QCOMPARE(loaded.size(), builtIn.size());
    for (int i = 0; i < loaded.size(); ++i) {
        QCOMPARE(loaded[i], builtIn[i]); // id, name and colour within 1/256
        QCOMPARE(loaded[i].getDensity(), builtIn[i].getDensity());
        QCOMPARE(loaded[i].getYoungModulus(), builtIn[i].getYoungModulus());
        QCOMPARE(loaded[i].getPoissonRatio(), builtIn[i].getPoissonRatio());
    }
    QVERIFY(qAbs(factory->getMaterial(1).getColor()[0] - 127.0 / 255.0) < 1e-9);

    QVERIFY(QFile::remove(home->catalogPath()));
    QVERIFY(factory->saveMaterials());
    QCOMPARE(TestFiles::read(home->catalogPath()), golden());
}

void TestMaterialCatalogue::brokenFileReplacedByBuiltInTable_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("contents");

    const QByteArray good = golden();
    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("empty file") << true << QByteArray();
    QTest::newRow("truncated file") << true << good.left(good.size() / 2);
    QTest::newRow("cut inside a tag") << true << good.left(good.indexOf("young-modulus"));
    QTest::newRow("malformed XML") << true
                                   << catalogueFile(
                                          "<Material version=\"1\" name=\"Si\" material-id=\"1\">\n");
    QTest::newRow("cut after a good material")
        << true
        << catalogueFile("<Material version=\"1\" name=\"New\" material-id=\"99\"/>\n"
                         "<Material version=\"1\" name=\"Si\" material-id=\"1\"");
    QTest::newRow("wrong root") << true << QByteArray("<Processes/>\n");
    QTest::newRow("root in lower case") << true << QByteArray("<materials/>\n");
    QTest::newRow("binary garbage") << true << QByteArray("\x00\xff\xfe<\x01>", 6);
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
    QCOMPARE(TestFiles::read(home->catalogPath()), golden());
}

void TestMaterialCatalogue::loadContents_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no Material elements") << QByteArray() << QString();
    QTest::newRow("material-id 0 skipped")
        << QByteArray("<Material name=\"Zero\" material-id=\"0\"/>\n"
                      "<Material version=\"1\" name=\"Glass\" material-id=\"40\"/>\n")
        << QStringLiteral("40:Glass");
    QTest::newRow("id missing or not a number")
        << QByteArray("<Material name=\"A\"/>\n<Material name=\"B\" material-id=\"x7\"/>\n"
                      "<Material name=\"C\" material-id=\"-3\"/>\n")
        << QString();
    QTest::newRow("empty or missing name")
        << QByteArray("<Material name=\"\" material-id=\"5\"/>\n<Material material-id=\"6\"/>\n")
        << QString();
    QTest::newRow("duplicate ids, later wins")
        << QByteArray("<Material name=\"First\" material-id=\"7\"/>\n"
                      "<Material name=\"Second\" material-id=\"7\"/>\n")
        << QStringLiteral("7:Second");
    QTest::newRow("ascending order whatever the file order") << QByteArray(
        "<Material name=\"B\" material-id=\"20\"/>\n"
        "<Material name=\"A\" material-id=\"3\"/>\n") << QStringLiteral("3:A|20:B");
    QTest::newRow("other elements skipped")
        << QByteArray("<Comment name=\"C\" material-id=\"8\"/>\n"
                      "<Material name=\"M\" material-id=\"9\"><Extra/></Material>\n")
        << QStringLiteral("9:M");
    QTest::newRow("escaped name") << QByteArray(
        "<Material name=\"A &amp; B &lt;1&gt;\" material-id=\"2\"/>\n")
                                  << QStringLiteral("2:A & B <1>");
}

void TestMaterialCatalogue::loadContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    QVERIFY(home->use(catalogueFile(body)));

    factory->initialise();
    QCOMPARE(summary(factory->getMaterials()), expected);
    // A file that loads is kept as it is.
    QCOMPARE(TestFiles::read(home->catalogPath()), catalogueFile(body));
}

void TestMaterialCatalogue::colourThroughFile_data()
{
    QTest::addColumn<QString>("colorAttribute"); // empty: written by the catalogue, "-": none
    QTest::addColumn<Util::Vector4D>("expected");

    const Util::Vector4D grey(0.5, 0.5, 0.5, 1.0);
    QTest::newRow("components below 16/255")
        << QString() << Util::Vector4D(0.05, 1.0 / 255, 15.0 / 255, 0.02);
    QTest::newRow("zero and one") << QString() << Util::Vector4D(0, 1, 0, 1);
    QTest::newRow("six digits, opaque") << "#336699" << Util::Vector4D(0.2, 0.4, 0.6, 1.0);
    QTest::newRow("lower-case digits") << "#80ff0000" << Util::Vector4D(1, 0, 0, 128.0 / 255);
    QTest::newRow("not a colour gives grey") << "#12345" << grey;
    QTest::newRow("no colour gives grey") << "-" << grey;
}

void TestMaterialCatalogue::colourThroughFile()
{
    QFETCH(QString, colorAttribute);
    QFETCH(Util::Vector4D, expected);

    if (colorAttribute.isEmpty()) {
        factory->loadDefaultMaterials();
        const float c[4] = {float(expected[0]), float(expected[1]), float(expected[2]), float(expected[3])};
        QVERIFY(factory->addMaterial(Material(77, QStringLiteral("Dark"), 1, 2, 0.3f, c)));
        QVERIFY(factory->saveMaterials());
        QVERIFY(QRegularExpression(QStringLiteral("name=\"Dark\".*color=\"#[0-9A-F]{8}\""))
                    .match(QString::fromUtf8(TestFiles::read(home->catalogPath())))
                    .hasMatch());
    } else {
        const QByteArray color = colorAttribute == QLatin1String("-")
            ? QByteArray()
            : " color=\"" + colorAttribute.toLatin1() + "\"";
        QVERIFY(home->use(catalogueFile("<Material name=\"Dark\" material-id=\"77\"" + color + "/>\n")));
    }

    factory->initialise();
    const Material loaded = factory->getMaterial(77);
    QCOMPARE(loaded.getName(), QStringLiteral("Dark"));
    for (int i = 0; i < 4; ++i)
        QVERIFY2(qAbs(loaded.getColor()[i] - expected[i]) <= 1.0 / 255 + 1e-9,
            qPrintable(QStringLiteral("component %1: %2").arg(i).arg(loaded.getColor()[i])));
}

void TestMaterialCatalogue::colourText_data()
{
    QTest::addColumn<Util::Vector4D>("color");
    QTest::addColumn<QString>("text");

    QTest::newRow("built-in silicon") << Util::Vector4D(0.5, 0.5, 0.5, 1.0) << "#FF7F7F7F";
    QTest::newRow("alpha first, zero-padded") << Util::Vector4D(0.05, 0.0, 1.0, 0.02) << "#050C00FF";
    QTest::newRow("truncated, not rounded") << Util::Vector4D(0.999, 0.7, 0.0039, 1.0) << "#FFFEB200";
    QTest::newRow("out of range clamped") << Util::Vector4D(1.5, -0.2, 2.0, 7.0) << "#FFFF00FF";
}

void TestMaterialCatalogue::colourText()
{
    QFETCH(Util::Vector4D, color);
    QFETCH(QString, text);
    QCOMPARE(MaterialArchiver::colorToString(color), text);
}

void TestMaterialCatalogue::newMaterialIdRangeAndUniqueness()
{
    factory->loadDefaultMaterials();
    for (int i = 0; i < 300; ++i) {
        const std::uint32_t id = factory->getNewMaterialId();
        QVERIFY2(id >= 2000 && id <= 32766, qPrintable(QString::number(id)));
        QCOMPARE(factory->getMaterial(id).getId(), 0u);
        QVERIFY(factory->addMaterial(Material(id, QStringLiteral("M"), 0, 0, 0, nullptr)));
    }
    QCOMPARE(factory->getMaterials().size(), 315);
}

void TestMaterialCatalogue::newMaterialIdWithCrowdedRange_data()
{
    QTest::addColumn<std::uint32_t>("freeId"); // also the expected answer; 0: range full
    QTest::newRow("one id left in the middle") << 12345u;
    QTest::newRow("only the highest left") << 32766u;
    QTest::newRow("range full") << 0u;
}

void TestMaterialCatalogue::newMaterialIdWithCrowdedRange()
{
    QFETCH(std::uint32_t, freeId);
    factory->loadDefaultMaterials();
    for (std::uint32_t id = 2000; id <= 32766; ++id) {
        if (id != freeId)
            factory->addMaterial(Material(id, QStringLiteral("M"), 0, 0, 0, nullptr));
    }
    QCOMPARE(factory->getNewMaterialId(), freeId);
}

void TestMaterialCatalogue::unwritableHome_data()
{
    QTest::addColumn<QString>("setup");
    for (const char *setup : {"home-file", "kestrum-file", "catalogue-folder", "read-only"})
        QTest::newRow(setup) << QString::fromLatin1(setup);
}

void TestMaterialCatalogue::unwritableHome()
{
    QFETCH(QString, setup);
    const TempHome::Spoilt spoilt = home->spoil(setup);
    if (spoilt == TempHome::NotEnforced)
        QSKIP("permissions are not enforced for this user");
    QCOMPARE(spoilt, TempHome::Done);

    factory->initialise();
    QCOMPARE(factory->getMaterials().size(), 15);
    QCOMPARE(factory->getMaterial(1).getName(), QStringLiteral("Si"));
    QVERIFY(!factory->saveMaterials());
}

QTEST_GUILESS_MAIN(TestMaterialCatalogue)
#include "tst_materialcatalogue.moc"

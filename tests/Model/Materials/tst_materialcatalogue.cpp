#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/MaterialArchiver.h"

#include <QtTest>

#include <memory>

using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Persistence::MaterialArchiver;

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
    return readFile(QStringLiteral(KESTRUM_TEST_DATA_DIR "/catalogues/materials-builtin.xml"));
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
    void cleanup();

    void builtInTableWrittenAtStartUp();
    void builtInFileRoundTrip();
    void brokenFileReplacedByBuiltInTable_data();
    void brokenFileReplacedByBuiltInTable();
    void failedLoadLeavesCatalogueUnchanged();
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
    QString kestrumDir() const { return home->path() + QStringLiteral("/Kestrum"); }
    QString catalogPath() const { return kestrumDir() + QStringLiteral("/materials.xml"); }
    void useFile(const QByteArray &contents);

    std::unique_ptr<QTemporaryDir> home;
    std::shared_ptr<MaterialFactory> factory;
};

// The catalogue is created before main: the test's own HOME already holds the
// file. Removing it keeps the check meaningful on the next run.
void TestMaterialCatalogue::initTestCase()
{
    const QString startUpFile = QDir::homePath() + QStringLiteral("/Kestrum/materials.xml");
    QVERIFY(QFile::exists(startUpFile));
    QVERIFY(QFile::remove(startUpFile));
}

void TestMaterialCatalogue::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", QFile::encodeName(home->path()));
    factory = MaterialFactory::getInstance();
}

void TestMaterialCatalogue::cleanup()
{
    // Leave a writable tree behind so QTemporaryDir can remove it.
    QFile::setPermissions(kestrumDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                            | QFileDevice::ExeOwner);
    home.reset();
}

void TestMaterialCatalogue::useFile(const QByteArray &contents)
{
    QVERIFY(QDir().mkpath(kestrumDir()));
    writeFile(catalogPath(), contents);
}

void TestMaterialCatalogue::builtInTableWrittenAtStartUp()
{
    factory->initialise();
    QCOMPARE(readFile(catalogPath()), golden());

    const QVector<Material> materials = factory->getMaterials();
    QVector<std::uint32_t> ids;
    for (const Material &material : materials)
        ids << material.getId();
    QCOMPARE(ids, (QVector<std::uint32_t>{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

void TestMaterialCatalogue::builtInFileRoundTrip()
{
    factory->loadDefaultMaterials();
    const QVector<Material> builtIn = factory->getMaterials();

    useFile(golden());
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

    QVERIFY(QFile::remove(catalogPath()));
    QVERIFY(factory->saveMaterials());
    QCOMPARE(readFile(catalogPath()), golden());
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
    QTest::newRow("malformed XML")
        << true << catalogueFile("<Material version=\"1\" name=\"Si\" material-id=\"1\">\n");
    QTest::newRow("wrong root") << true << QByteArray("<Processes/>\n");
    QTest::newRow("root in lower case") << true << QByteArray("<materials/>\n");
    QTest::newRow("binary garbage") << true << QByteArray("\x00\xff\xfe<\x01>", 6);
}

void TestMaterialCatalogue::brokenFileReplacedByBuiltInTable()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, contents);
    if (present)
        useFile(contents);

    QVERIFY(!factory->loadMaterials());
    factory->initialise();
    const QString loaded = summary(factory->getMaterials());
    QCOMPARE(readFile(catalogPath()), golden());
    factory->loadDefaultMaterials();
    QCOMPARE(loaded, summary(factory->getMaterials()));
}

void TestMaterialCatalogue::failedLoadLeavesCatalogueUnchanged()
{
    factory->loadDefaultMaterials();
    useFile(catalogueFile("<Material version=\"1\" name=\"New\" material-id=\"99\"/>\n"
                          "<Material version=\"1\" name=\"Si\" material-id=\"1\"")); // cut off
    QVERIFY(!factory->loadMaterials());
    QCOMPARE(factory->getMaterial(99).getId(), 0u);
    QCOMPARE(factory->getMaterials().size(), 15);
}

void TestMaterialCatalogue::loadContents_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no Material elements") << QByteArray() << QString();
    QTest::newRow("one material")
        << QByteArray("<Material version=\"1\" name=\"Glass\" material-id=\"40\"/>\n")
        << QStringLiteral("40:Glass");
    QTest::newRow("material-id 0 skipped")
        << QByteArray("<Material name=\"Zero\" material-id=\"0\"/>\n"
                      "<Material name=\"Glass\" material-id=\"40\"/>\n")
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
    QTest::newRow("ascending order whatever the file order")
        << QByteArray("<Material name=\"B\" material-id=\"20\"/>\n"
                      "<Material name=\"A\" material-id=\"3\"/>\n")
        << QStringLiteral("3:A|20:B");
    QTest::newRow("other elements skipped")
        << QByteArray("<Comment name=\"C\" material-id=\"8\"/>\n"
                      "<Material name=\"M\" material-id=\"9\"><Extra/></Material>\n")
        << QStringLiteral("9:M");
    QTest::newRow("escaped name")
        << QByteArray("<Material name=\"A &amp; B &lt;1&gt;\" material-id=\"2\"/>\n")
        << QStringLiteral("2:A & B <1>");
}

void TestMaterialCatalogue::loadContents()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    useFile(catalogueFile(body));

    factory->initialise();
    QCOMPARE(summary(factory->getMaterials()), expected);
    // A file that loads is kept as it is.
    QCOMPARE(readFile(catalogPath()), catalogueFile(body));
}

void TestMaterialCatalogue::colourThroughFile_data()
{
    QTest::addColumn<QString>("colorAttribute");
    QTest::addColumn<Util::Vector4D>("written");
    QTest::addColumn<Util::Vector4D>("expected");

    const Util::Vector4D grey(0.5, 0.5, 0.5, 1.0);
    QTest::newRow("components below 16/255")
        << QString() << Util::Vector4D(0.05, 1.0 / 255, 15.0 / 255, 0.02)
        << Util::Vector4D(0.05, 1.0 / 255, 15.0 / 255, 0.02);
    QTest::newRow("zero and one") << QString() << Util::Vector4D(0, 1, 0, 1)
                                  << Util::Vector4D(0, 1, 0, 1);
    QTest::newRow("six digits, opaque") << QStringLiteral("#336699") << Util::Vector4D()
                                        << Util::Vector4D(0.2, 0.4, 0.6, 1.0);
    QTest::newRow("lower-case digits") << QStringLiteral("#80ff0000") << Util::Vector4D()
                                       << Util::Vector4D(1, 0, 0, 128.0 / 255);
    QTest::newRow("not a colour gives grey") << QStringLiteral("#12345") << Util::Vector4D()
                                             << grey;
    QTest::newRow("no colour gives grey") << QStringLiteral("-") << Util::Vector4D() << grey;
}

// Writes one material (or a hand-made element when colorAttribute is given)
// and reads the colour back through the catalogue file.
void TestMaterialCatalogue::colourThroughFile()
{
    QFETCH(QString, colorAttribute);
    QFETCH(Util::Vector4D, written);
    QFETCH(Util::Vector4D, expected);

    if (colorAttribute.isEmpty()) {
        factory->loadDefaultMaterials();
        const float c[4] = {float(written[0]), float(written[1]), float(written[2]),
                            float(written[3])};
        QVERIFY(factory->addMaterial(Material(77, QStringLiteral("Dark"), 1, 2, 0.3f, c)));
        QVERIFY(factory->saveMaterials());
        const QByteArray text = readFile(catalogPath());
        QVERIFY(QRegularExpression(QStringLiteral("name=\"Dark\".*color=\"#[0-9A-F]{8}\""))
                    .match(QString::fromUtf8(text))
                    .hasMatch());
    } else {
        const QByteArray color = colorAttribute == QLatin1String("-")
                                     ? QByteArray()
                                     : " color=\"" + colorAttribute.toLatin1() + "\"";
        useFile(catalogueFile("<Material name=\"Dark\" material-id=\"77\"" + color + "/>\n"));
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

    QTest::newRow("built-in silicon") << Util::Vector4D(0.5, 0.5, 0.5, 1.0)
                                      << QStringLiteral("#FF7F7F7F");
    QTest::newRow("alpha first, zero-padded") << Util::Vector4D(0.05, 0.0, 1.0, 0.02)
                                              << QStringLiteral("#050C00FF");
    QTest::newRow("truncated, not rounded") << Util::Vector4D(0.999, 0.7, 0.0039, 1.0)
                                            << QStringLiteral("#FFFEB200");
    QTest::newRow("out of range clamped") << Util::Vector4D(1.5, -0.2, 2.0, 7.0)
                                          << QStringLiteral("#FFFF00FF");
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
    QTest::addColumn<std::uint32_t>("freeId");
    QTest::addColumn<std::uint32_t>("expected");

    QTest::newRow("one id left in the middle") << 12345u << 12345u;
    QTest::newRow("only the highest left") << 32766u << 32766u;
    QTest::newRow("range full") << 0u << 0u;
}

void TestMaterialCatalogue::newMaterialIdWithCrowdedRange()
{
    QFETCH(std::uint32_t, freeId);
    QFETCH(std::uint32_t, expected);

    factory->loadDefaultMaterials();
    for (std::uint32_t id = 2000; id <= 32766; ++id) {
        if (id != freeId)
            factory->addMaterial(Material(id, QStringLiteral("M"), 0, 0, 0, nullptr));
    }
    QCOMPARE(factory->getNewMaterialId(), expected);
}

void TestMaterialCatalogue::unwritableHome_data()
{
    QTest::addColumn<QString>("setup");

    QTest::newRow("HOME is a file") << QStringLiteral("home-file");
    QTest::newRow("Kestrum is a file") << QStringLiteral("kestrum-file");
    QTest::newRow("materials.xml is a folder") << QStringLiteral("catalogue-folder");
    QTest::newRow("Kestrum read-only") << QStringLiteral("read-only");
}

void TestMaterialCatalogue::unwritableHome()
{
    QFETCH(QString, setup);

    if (setup == QLatin1String("home-file")) {
        const QString file = home->path() + QStringLiteral("/not-a-folder");
        writeFile(file, "x");
        qputenv("HOME", QFile::encodeName(file));
    } else if (setup == QLatin1String("kestrum-file")) {
        writeFile(kestrumDir(), "x");
    } else if (setup == QLatin1String("catalogue-folder")) {
        QVERIFY(QDir().mkpath(catalogPath()));
    } else {
        QVERIFY(QDir().mkpath(kestrumDir()));
        QVERIFY(QFile::setPermissions(kestrumDir(),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (QFile file(kestrumDir() + QStringLiteral("/probe"));
            file.open(QIODevice::WriteOnly)) {
            file.remove();
            QSKIP("permissions are not enforced for this user");
        }
    }

    factory->initialise();
    QCOMPARE(factory->getMaterials().size(), 15);
    QCOMPARE(factory->getMaterial(1).getName(), QStringLiteral("Si"));
    QVERIFY(!factory->saveMaterials());
}

QTEST_GUILESS_MAIN(TestMaterialCatalogue)
#include "tst_materialcatalogue.moc"

#include "../TempHome.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;
using Model::Document;
using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Persistence::ArchiverRegistry;
using Model::Persistence::DocumentReader;
using Model::Persistence::DocumentWriter;
using Ids = std::vector<std::uint32_t>;

namespace {

struct VolumeShape
{
    std::uint32_t nx, ny, nz;
    float csx, csy, csz;
    Util::Vector3D position;
};

std::shared_ptr<TotalVolume> makeVolume(const VolumeShape &s, std::uint32_t seed)
{
    // Catalogue ids, empty cells and one id the catalogue does not know.
    static const std::uint32_t cellIds[] = {0, 1, 3, 4, 11, 16, 777};
    std::mt19937 random(seed);
    Ids ids(std::size_t(s.nx) * s.ny * s.nz);
    for (auto &id : ids)
        id = cellIds[random() % std::size(cellIds)];
    return std::make_shared<TotalVolume>(s.nx, s.ny, s.nz, s.csx, s.csy, s.csz, s.position, ids);
}

std::shared_ptr<TotalVolume> cube(std::uint32_t n, std::uint32_t seed)
{
    return makeVolume({n, n, n, 1.f, 1.f, 1.f, {0, 0, 0}}, seed);
}

Ids nextArrayIds(TotalVolume &volume)
{
    Ids ids(volume.getCellCount());
    const Voxel *cells = volume.lockNextCells();
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = cells[i].material;
    volume.unlockNextCells();
    return ids;
}

// Sizes, cell sizes and position, for exact comparison.
QVector<double> shapeOf(const TotalVolume &v)
{
    const Util::Vector3D p = v.getPosition();
    return {double(v.getSizeX()), double(v.getSizeY()), double(v.getSizeZ()), v.getCellSizeX(),
            v.getCellSizeY(), v.getCellSizeZ(), p.x, p.y, p.z};
}

QList<std::shared_ptr<TotalVolume>> volumesOf(Document &document)
{
    QList<std::shared_ptr<TotalVolume>> volumes;
    for (const auto &object : document.getAllObjects())
        volumes << std::dynamic_pointer_cast<TotalVolume>(object);
    return volumes;
}

QByteArray writeToBytes(Document &document, ArchiverRegistry &registry)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto result = DocumentWriter(registry).write(document, buffer);
    if (!result.ok)
        qWarning() << "write failed:" << result.detail;
    return buffer.data();
}

DocumentReader::Result readFromBytes(const QByteArray &bytes, Document &document, ArchiverRegistry &registry)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return DocumentReader(registry).read(document, buffer);
}

// The attributes of the first element with that name.
QXmlStreamAttributes firstElement(const QByteArray &xml, const QString &name)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            return reader.attributes();
    }
    return {};
}

// A document of one 3 x 1 x 1 volume with the given State text.
QByteArray threeCells(const QString &state)
{
    return QStringLiteral("<Document><Header version=\"1\"/><Object object-type=\"1\" size-x=\"3\" "
                          "size-y=\"1\" size-z=\"1\"><State>%1</State><Position pos-x=\"0\" pos-y=\"0\" "
                          "pos-z=\"0\"/></Object></Document>")
        .arg(state)
        .toUtf8();
}

QString dataFile(const char *name)
{
    return QStringLiteral(KESTRUM_TEST_DATA_DIR "/documents/") + QLatin1String(name);
}

} // namespace

Q_DECLARE_METATYPE(QVector<VolumeShape>)
Q_DECLARE_METATYPE(Ids)

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void init() { MaterialFactory::getInstance()->loadDefaultMaterials(); }
    void roundTrip_data();
    void roundTrip();
    void goldenTwoCells();
    void lengthFormat_data();
    void lengthFormat();
    void emptyDocument();
    void materialsAreReconciled();
    void notADocument_data();
    void notADocument();
    void brokenOffKeepsWhatWasRead_data();
    void brokenOffKeepsWhatWasRead();
    void unusableObjectsArePassedOver();
    void stateTokens_data();
    void stateTokens();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void fileSizeLimitKeepsOldFile();

private:
    QTemporaryDir folder;
    ArchiverRegistry registry;
};

void TestDocument::roundTrip_data()
{
    QTest::addColumn<QVector<VolumeShape>>("shapes");
    QTest::newRow("one cell") << QVector<VolumeShape>{{1, 1, 1, 1.f, 1.f, 1.f, {0, 0, 0}}};
    QTest::newRow("three volumes") << QVector<VolumeShape>{
        {2, 1, 1, 1.f, 1.f, 1.f, {0, 0, 0}},
        {7, 5, 3, 0.5f, 2.f, 0.25f, {-12.5, 3, 100}},
        {20, 1, 9, 2.5e-07f, 1e-06f, 3.f, {1e+06, -0.001, 42}}};
    QTest::newRow("thin plate and column") << QVector<VolumeShape>{
        {64, 48, 1, 1.f, 1.f, 1.f, {5, 5, 5}}, {1, 1, 300, 1.f, 1.f, 0.125f, {-1, -2, -3}}};
    QTest::newRow("larger block") << QVector<VolumeShape>{{40, 30, 20, 1.f, 1.f, 1.f, {0.5, 1.5, 2.5}}};
}

void TestDocument::roundTrip()
{
    QFETCH(QVector<VolumeShape>, shapes);
    Document original;
    for (int i = 0; i < shapes.size(); ++i)
        original.addObject(makeVolume(shapes[i], std::uint32_t(i + 1)));

    const QString path = folder.filePath(QStringLiteral("roundtrip.kst"));
    const auto saved = DocumentWriter(registry).save(original, path);
    QVERIFY2(saved.ok, qPrintable(saved.detail));
    QCOMPARE(saved.objectsWritten, shapes.size());
    QCOMPARE(original.getFileName(), path);

    Document loaded;
    const auto result = DocumentReader(registry).load(loaded, path);
    QVERIFY2(result.ok, qPrintable(result.errorMessage));
    QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join('\n')));
    QCOMPARE(result.version, 1u);
    QCOMPARE(loaded.getFileName(), path);

    const auto before = volumesOf(original);
    const auto after = volumesOf(loaded);
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < before.size(); ++i) {
        QVERIFY(after[i]);
        QCOMPARE(shapeOf(*after[i]), shapeOf(*before[i]));
        const auto ids = before[i]->materialIds();
        QVERIFY(after[i]->materialIds() == ids);
        QVERIFY(nextArrayIds(*after[i]) == ids); // both arrays start out alike
    }
}

void TestDocument::goldenTwoCells()
{
    // With a catalogue of silicon alone the whole file is fixed.
    auto catalogue = MaterialFactory::getInstance();
    for (const Material &material : catalogue->getMaterials()) {
        if (material.getId() != 1)
            catalogue->removeMaterial(material.getId());
    }
    Document document;
    document.addObject(std::make_shared<TotalVolume>(2, 1, 1, 1.f, 1.f, 1.f, Util::Vector3D(), Ids{1, 0}));
    const QByteArray written = writeToBytes(document, registry);
    QVERIFY(written.contains("<State>1 0 </State>"));
    QCOMPARE(written, TestFiles::read(dataFile("two_cells.kst")));

    Document loaded;
    QVERIFY(DocumentReader(registry).load(loaded, dataFile("two_cells.kst")).ok);
    QCOMPARE(volumesOf(loaded).size(), 1);
    QVERIFY(volumesOf(loaded)[0]->materialIds() == (Ids{1, 0}));
}

void TestDocument::lengthFormat_data()
{
    QTest::addColumn<float>("cellSize");
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("cellSizeText");
    QTest::addColumn<QString>("positionText");
    QTest::newRow("half") << 0.5f << 0.5 << "0.5" << "0.5";
    QTest::newRow("small") << 2.5e-07f << 2.5e-07 << "2.5e-07" << "2.5e-07";
    QTest::newRow("one") << 1.f << 1.0 << "1" << "1";
    QTest::newRow("large") << 1234567.f << -1234567.0 << "1.23457e+06" << "-1.23457e+06";
    QTest::newRow("ten thousandth") << 0.0001f << 100000.0 << "0.0001" << "100000";
}

void TestDocument::lengthFormat()
{
    QFETCH(float, cellSize);
    QFETCH(double, position);
    QFETCH(QString, cellSizeText);
    QFETCH(QString, positionText);
    Document document;
    document.addObject(std::make_shared<TotalVolume>(1, 1, 1, cellSize, 1.f, cellSize,
                                                     Util::Vector3D(position, 0, 0), Ids{1}));
    const QByteArray xml = writeToBytes(document, registry);
    const QXmlStreamAttributes object = firstElement(xml, QStringLiteral("Object"));
    QCOMPARE(object.value(QLatin1String("cellsize-x")).toString(), cellSizeText);
    QCOMPARE(object.value(QLatin1String("cellsize-y")).toString(), QStringLiteral("1"));
    QCOMPARE(object.value(QLatin1String("cellsize-z")).toString(), cellSizeText);
    const QXmlStreamAttributes pos = firstElement(xml, QStringLiteral("Position"));
    QCOMPARE(pos.value(QLatin1String("pos-x")).toString(), positionText);
    QCOMPARE(pos.value(QLatin1String("pos-y")).toString(), QStringLiteral("0"));
}

void TestDocument::emptyDocument()
{
    Document document;
    const QByteArray xml = writeToBytes(document, registry);
    QXmlStreamReader reader(xml);
    QStringList elements;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            elements << reader.name().toString();
    }
    QVERIFY(!reader.hasError());
    QStringList expected{QStringLiteral("Document"), QStringLiteral("Header")};
    for (int i = 0; i < MaterialFactory::getInstance()->getMaterials().size(); ++i)
        expected << QStringLiteral("Material");
    QCOMPARE(elements, expected);

    Document loaded;
    QVERIFY(readFromBytes(xml, loaded, registry).ok);
    QCOMPARE(loaded.getAllObjects().size(), 0);
}

void TestDocument::materialsAreReconciled()
{
    auto catalogue = MaterialFactory::getInstance();
    const Material copper = catalogue->getMaterial(5);
    Document document;
    const auto result = DocumentReader(registry).load(document, dataFile("materials.kst"));
    QVERIFY(result.ok);
    QCOMPARE(result.warnings, QStringList{DocumentReader::materialWarning()});

    // The clashing material moved to a new id; the catalogue's one is untouched.
    QCOMPARE(catalogue->getMaterial(5), copper);
    std::uint32_t brassId = 0;
    for (const Material &material : catalogue->getMaterials()) {
        if (material.getName() == QLatin1String("Brass"))
            brassId = material.getId();
    }
    QVERIFY(brassId >= 2000);
    QCOMPARE(catalogue->getMaterial(40).getName(), QStringLiteral("Unobtainium"));
    QCOMPARE(catalogue->getMaterial(1).getName(), QStringLiteral("Si"));

    const auto volumes = volumesOf(document);
    QCOMPARE(volumes.size(), 1);
    const Ids expected{1, brassId, 40, 0, brassId, 6, 77, 1};
    QVERIFY(volumes[0]->materialIds() == expected);
    QVERIFY(nextArrayIds(*volumes[0]) == expected);
    QCOMPARE(volumes[0]->getCellSizeZ(), 2.5e-07f);
    QCOMPARE(volumes[0]->getPosition(), Util::Vector3D(1.5, -2, 1e+06));

    // A second load gives an identical volume and leaves the catalogue as is.
    const auto catalogueAfterFirst = catalogue->getMaterials();
    Document again;
    QVERIFY(DocumentReader(registry).load(again, dataFile("materials.kst")).ok);
    QVERIFY(volumesOf(again)[0]->materialIds() == expected);
    QCOMPARE(catalogue->getMaterials(), catalogueAfterFirst);

    // A later file without materials keeps its ids: 5 is copper again, not brass.
    Document third;
    QVERIFY(readFromBytes(threeCells(QStringLiteral("5 1 40 ")), third, registry).ok);
    QVERIFY(volumesOf(third)[0]->materialIds() == (Ids{5, 1, 40}));
}

void TestDocument::notADocument_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("plain text") << QByteArray("hello, world");
    QTest::newRow("other root") << QByteArray("<Materials><Header version=\"1\"/></Materials>");
    QTest::newRow("no header") << QByteArray("<Document><Object object-type=\"1\" size-x=\"1\" size-y=\"1\" "
                                             "size-z=\"1\"><State>1 </State></Object></Document>");
    QTest::newRow("lower-case header") << QByteArray("<Document><header version=\"1\"/></Document>");
    QTest::newRow("only the root") << QByteArray("<Document/>");
    QTest::newRow("broken before the header") << QByteArray("<Document><Hea");
    QTest::newRow("missing file") << QByteArray("-");
}

void TestDocument::notADocument()
{
    QFETCH(QByteArray, content);
    const bool missing = content == "-";
    const QString path = folder.filePath(QStringLiteral("bad.kst"));
    QFile::remove(path);
    QVERIFY(missing || TestFiles::write(path, content));
    Document document;
    const auto result = DocumentReader(registry).load(document, path);
    QVERIFY(!result.ok);
    if (!missing) {
        QVERIFY(result.errorMessage.contains(QLatin1String("not a Kestrum document")));
        QCOMPARE(TestFiles::read(path), content);
    }
    QVERIFY(!result.errorMessage.isEmpty());
    QCOMPARE(document.getAllObjects().size(), 0);
    QVERIFY(document.getFileName().isEmpty());
}

void TestDocument::brokenOffKeepsWhatWasRead_data()
{
    QTest::addColumn<QString>("cutAfter");
    QTest::addColumn<int>("extraBytes");
    QTest::addColumn<int>("volumesKept");
    QTest::addColumn<int>("warnings");
    QTest::newRow("after the header") << "<Header version=\"1\"/>" << 0 << 0 << 1;
    QTest::newRow("in a material") << "<Material" << 10 << 0 << 1;
    QTest::newRow("before the second volume") << "</Object>" << 0 << 1 << 1;
    QTest::newRow("in the attributes of the second volume") << "</Object><Object" << 15 << 1 << 1;
    QTest::newRow("in the second volume's cells") << "</Object><Object" << 200 << 1 << 2;
    QTest::newRow("after the second volume's cells") << "</State><Position pos-x=\"0\"" << 0 << 2 << 1;
}

void TestDocument::brokenOffKeepsWhatWasRead()
{
    QFETCH(QString, cutAfter);
    QFETCH(int, extraBytes);
    QFETCH(int, volumesKept);
    QFETCH(int, warnings);
    Document original;
    original.addObject(makeVolume({3, 3, 3, 1.f, 1.f, 1.f, {1, 2, 3}}, 7));
    original.addObject(cube(10, 8));
    const QByteArray xml = writeToBytes(original, registry);
    const QByteArray marker = cutAfter.toUtf8();
    const int at = xml.indexOf(marker);
    QVERIFY(at > 0);

    Document loaded;
    const auto result = readFromBytes(xml.left(at + marker.size() + extraBytes), loaded, registry);
    QVERIFY(result.ok);
    QCOMPARE(result.warnings.size(), warnings);
    QVERIFY(result.warnings.last().contains(QLatin1String("breaks off")));
    if (warnings > 1)
        QVERIFY(result.warnings.first().contains(QLatin1String("cut off")));

    const auto before = volumesOf(original);
    const auto after = volumesOf(loaded);
    QCOMPARE(after.size(), volumesKept);
    for (int i = 0; i < after.size(); ++i)
        QVERIFY(after[i]->materialIds() == before[i]->materialIds());
    if (volumesKept > 0)
        QCOMPARE(after[0]->getPosition(), Util::Vector3D(1, 2, 3));
}

void TestDocument::unusableObjectsArePassedOver()
{
    Document document;
    const auto result = DocumentReader(registry).load(document, dataFile("unknown_objects.kst"));
    QVERIFY(result.ok);
    QCOMPARE(result.objectsLoaded, 2);
    QCOMPARE(result.warnings.size(), 5);
    QCOMPARE(result.warnings.filter(QStringLiteral("does not fit in memory")).size(), 1);
    QCOMPARE(result.warnings.filter(QStringLiteral("100000 x 100000 x 100000")).size(), 1);
    QCOMPARE(result.warnings.filter(QStringLiteral("no known kind")).size(), 3);
    QCOMPARE(result.warnings.filter(QStringLiteral("has no cells")).size(), 1);

    const auto volumes = volumesOf(document);
    QCOMPARE(volumes.size(), 2);
    QVERIFY(volumes[0]->materialIds() == Ids{3});
    QCOMPARE(volumes[0]->getPosition(), Util::Vector3D(1, 0, 0));
    QVERIFY(volumes[1]->materialIds() == (Ids{4, 4}));
    QCOMPARE(volumes[1]->getPosition(), Util::Vector3D(2, 0, 0));
    QCOMPARE(volumes[1]->getCellSizeX(), 1.f); // absent cell sizes read as 1
}

void TestDocument::stateTokens_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<Ids>("expected");
    QTest::newRow("plain") << "1 2 3 " << Ids{1, 2, 3};
    QTest::newRow("word") << "1 x 3 " << Ids{1, 0, 3};
    QTest::newRow("negative") << "-1 2 3" << Ids{0, 2, 3};
    QTest::newRow("digits then letters") << "1a 2 3b" << Ids{0, 2, 0};
    QTest::newRow("decimal point") << "1.5 2 3" << Ids{0, 2, 3};
    QTest::newRow("too large") << "4294967296 4294967295 99999999999999999999" << Ids{0, 4294967295u, 0};
    QTest::newRow("missing tokens") << "7 " << Ids{7, 0, 0};
    QTest::newRow("extra tokens") << "1 2 3 4 5 6" << Ids{1, 2, 3};
    QTest::newRow("several blanks and lines") << "  1\n\t 2\r\n3   " << Ids{1, 2, 3};
    QTest::newRow("no blank at the end") << "1 2 3" << Ids{1, 2, 3};
    QTest::newRow("character reference") << "&#49; 2 &amp;" << Ids{1, 2, 0};
    QTest::newRow("leading zeros") << "0001 00 0" << Ids{1, 0, 0};
    QTest::newRow("non-latin digits") << QStringLiteral("\u0661 2 \u00b3") << Ids{0, 2, 0};
    QTest::newRow("empty") << "" << Ids{0, 0, 0};
    QTest::newRow("nested markup") << "1 <b>9 9</b>2 3" << Ids{1, 2, 3};
}

void TestDocument::stateTokens()
{
    QFETCH(QString, state);
    QFETCH(Ids, expected);
    Document document;
    QVERIFY(readFromBytes(threeCells(state), document, registry).ok);
    const auto volumes = volumesOf(document);
    QCOMPARE(volumes.size(), 1);
    QCOMPARE(volumes[0]->materialIds(), expected);
    QCOMPARE(nextArrayIds(*volumes[0]), expected);
}

void TestDocument::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("folder does not exist") << "missing/doc.kst" << false;
    QTest::newRow("target is a folder") << "folder.kst" << false;
    QTest::newRow("read-only folder") << "locked/doc.kst" << true;
}

void TestDocument::failedSaveKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(bool, readOnlyFolder);
    const QString path = folder.filePath(target);
    const QString lockedFolder = QFileInfo(path).absolutePath();
    QDir(folder.path()).mkdir(QStringLiteral("folder.kst"));

    QByteArray oldContent;
    if (readOnlyFolder) {
        if (geteuid() == 0)
            QSKIP("Permission bits do not stop the super-user");
        Document first;
        first.addObject(cube(4, 1));
        QDir().mkpath(lockedFolder);
        QVERIFY(DocumentWriter(registry).save(first, path).ok);
        oldContent = TestFiles::read(path);
        QVERIFY(QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::ExeOwner));
    }

    Document second;
    second.setFileName(QStringLiteral("previous.kst"));
    second.addObject(cube(9, 2));
    const auto result = DocumentWriter(registry).save(second, path);
    if (readOnlyFolder)
        QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!result.ok);
    QCOMPARE(result.errorMessage, DocumentWriter::errorText());
    QVERIFY(!result.detail.isEmpty());
    QCOMPARE(second.getFileName(), QStringLiteral("previous.kst"));
    if (readOnlyFolder)
        QCOMPARE(TestFiles::read(path), oldContent);
    else
        QVERIFY(!QFileInfo(path).isFile());
}

void TestDocument::fileSizeLimitKeepsOldFile()
{
    // A write that fails half-way (past the file size limit, which binds the
    // super-user too) leaves the earlier save untouched.
    const QString path = folder.filePath(QStringLiteral("limited.kst"));
    Document small;
    small.addObject(cube(2, 3));
    QVERIFY(DocumentWriter(registry).save(small, path).ok);
    const QByteArray oldContent = TestFiles::read(path);
    QVERIFY(oldContent.size() < 4096);

    Document large;
    large.addObject(cube(60, 4));
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 16384;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto result = DocumentWriter(registry).save(large, path);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!result.ok);
    QCOMPARE(result.errorMessage, DocumentWriter::errorText());
    QVERIFY(!result.detail.isEmpty());
    QCOMPARE(TestFiles::read(path), oldContent);
    QCOMPARE(large.getFileName(), QString());
    // No temporary file is left behind.
    QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("limited*")}, QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("limited.kst")});
}

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"

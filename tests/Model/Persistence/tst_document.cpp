#include "../Mutations.h"
#include "Core/TestOperations.h"
#include "../TempHome.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/StateTextDevice.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Util/IProgress.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QtTest>

#include <cstring>
#include <memory>
#include <random>

#include <unistd.h>

using Model::Document;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;
using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Model::Persistence::ArchiverRegistry;
using Model::Persistence::DocumentReader;
using Model::Persistence::DocumentWriter;
using Model::Persistence::StateTextDevice;
using Ids = std::vector<std::uint32_t>;
using TestSupport::volumesOf;

namespace {

// Random catalogue ids, empty cells and one id the catalogue does not know.
std::shared_ptr<TotalVolume> makeVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, float csx = 1.f,
    float csy = 1.f, float csz = 1.f, Util::Vector3D position = {}, std::uint32_t seed = 1)
{
    static const std::uint32_t cellIds[] = {0, 1, 3, 4, 11, 16, 777};
    std::mt19937 random(seed);
    Ids ids(std::size_t(nx) * ny * nz);
    for (auto &id : ids)
        id = cellIds[random() % std::size(cellIds)];
    return std::make_shared<TotalVolume>(nx, ny, nz, csx, csy, csz, position, ids);
}

// Sizes, cell sizes and position, for exact comparison.
QVector<double> shapeOf(const TotalVolume &v)
{
    const Util::Vector3D p = v.getPosition();
    return {double(v.getSizeX()), double(v.getSizeY()), double(v.getSizeZ()), v.getCellSizeX(), v.getCellSizeY(),
        v.getCellSizeZ(), p.x, p.y, p.z};
}

QByteArray writeToBytes(Document &document, ArchiverRegistry &registry)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return DocumentWriter(registry).write(document, buffer).ok ? buffer.data() : QByteArray();
}

DocumentReader::Result readFromBytes(const QByteArray &bytes, Document &document, ArchiverRegistry &registry,
                                     qint64 chunkBytes = StateTextDevice::defaultChunkBytes,
                                     Util::IProgress *progress = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    DocumentReader reader(registry);
    reader.setChunkBytes(chunkBytes);
    reader.setProgress(progress);
    return reader.read(document, buffer);
}

// The same volumes, shape and cells, in the same order.
void compareVolumes(Document &actual, Document &expected)
{
    const auto a = volumesOf(actual), b = volumesOf(expected);
    QCOMPARE(a.size(), b.size());
    for (int i = 0; i < a.size(); ++i) {
        QCOMPARE(shapeOf(*a[i]), shapeOf(*b[i]));
        QVERIFY(a[i]->materialIds() == b[i]->materialIds());
    }
}

// A device that cannot seek: the XML reader then gets the whole stream, cell
// text included, the reference for the chunked read.
class StreamOnly : public QIODevice
{
public:
    explicit StreamOnly(QByteArray content) : bytes(std::move(content)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return bytes.size() - at + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min<qint64>(maxSize, bytes.size() - at);
        std::memcpy(data, bytes.constData() + at, size_t(count));
        at += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray bytes;
    qint64 at = 0;
};

struct ProgressLog : Util::IProgress
{
    void setProgress(unsigned long long done, unsigned long long total) override { steps.append({done, total}); }
    QVector<QPair<unsigned long long, unsigned long long>> steps;
};

// A document of one 3 x 1 x 1 volume with the given State text.
QByteArray threeCells(const QString &state)
{
    return QStringLiteral("<Document><Header version=\"1\"/><Object object-type=\"1\" size-x=\"3\" size-y=\"1\" "
                          "size-z=\"1\"><State>%1</State><Position pos-x=\"0\" pos-y=\"0\" pos-z=\"0\"/></Object></Document>")
        .arg(state).toUtf8();
}

QString dataFile(const char *name)
{
    return QStringLiteral(KESTRUM_TEST_DATA_DIR "/documents/") + QLatin1String(name);
}

// Empty "undo<r>.temp" and "redo<r>.temp" with the same r, both in the folder; returns both names.
QStringList checkNames(const ArchiverRegistry &registry, const QString &folder)
{
    const QFileInfo undo(registry.getUndoFileName());
    const QFileInfo redo(registry.getRedoFileName());
    const auto match = QRegularExpression(QStringLiteral("^undo(\\d+)\\.temp$")).match(undo.fileName());
    if (!match.hasMatch() || redo.fileName() != QStringLiteral("redo%1.temp").arg(match.captured(1))
        || undo.absolutePath() != QDir(folder).absolutePath() || redo.absolutePath() != undo.absolutePath()
        || !undo.isFile() || !redo.isFile() || undo.size() != 0)
        return {};
    return {undo.filePath(), redo.filePath()};
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void init() { MaterialFactory::getInstance()->loadDefaultMaterials(); }
    void roundTrip();
    void goldenTwoCells();
    void materialsAreReconciled();
    void notADocument_data();
    void notADocument();
    void brokenOffKeepsWhatWasRead_data();
    void brokenOffKeepsWhatWasRead();
    void chunkedReadEqualsWholeRead_data();
    void chunkedReadEqualsWholeRead();
    void progressCoversTheFile();
    void unusableObjectsArePassedOver();
    void stateRepairs_data();
    void stateRepairs();
    void manyClashingMaterials_data();
    void manyClashingMaterials();
    void damagedFiles();
    // The undo and redo state files of each registry.
    void stateFilesInWorkingFolder();
    void fallbackToTemporaryFolder_data();
    void fallbackToTemporaryFolder();

private:
    QTemporaryDir folder;
    ArchiverRegistry registry;
};

void TestDocument::roundTrip()
{
    Document original;
    original.addObject(makeVolume(2, 1, 1));
    original.addObject(makeVolume(7, 5, 3, 0.5f, 2.f, 0.25f, {-12.5, 3, 100}, 2));
    original.addObject(makeVolume(20, 1, 9, 2.5e-07f, 1e-06f, 3.f, {1e+06, -0.001, 42}, 3));

    const QString path = folder.filePath(QStringLiteral("roundtrip.kst"));
    const auto saved = DocumentWriter(registry).save(original, path);
    QVERIFY(saved.ok);
    QCOMPARE(saved.objectsWritten, 3);
    QCOMPARE(original.getFileName(), path);
    // Lengths are written in their shortest exact form.
    const QByteArray xml = TestFiles::read(path);
    QVERIFY(xml.contains("cellsize-x=\"0.5\" cellsize-y=\"2\" cellsize-z=\"0.25\">")
            && xml.contains("cellsize-x=\"2.5e-07\"") && xml.contains("<Position pos-x=\"-12.5\" pos-y=\"3\""));

    Document loaded;
    const auto result = DocumentReader(registry).load(loaded, path);
    QVERIFY(result.ok);
    QVERIFY(result.warnings.isEmpty());
    QCOMPARE(loaded.getFileName(), path);
    compareVolumes(loaded, original);
}

void TestDocument::goldenTwoCells()
{
    // With a catalogue of silicon alone the whole file is fixed.
    for (const Material &material : MaterialFactory::getInstance()->getMaterials())
        MaterialFactory::getInstance()->removeMaterial(material.getId() == 1 ? 0 : material.getId());
    Document document;
    document.addObject(std::make_shared<TotalVolume>(2, 1, 1, 1.f, 1.f, 1.f, Util::Vector3D(), Ids {1, 0}));
    QCOMPARE(writeToBytes(document, registry), TestFiles::read(dataFile("two_cells.kst")));
    Document loaded;
    QVERIFY(DocumentReader(registry).load(loaded, dataFile("two_cells.kst")).ok);
    compareVolumes(loaded, document);
}

void TestDocument::materialsAreReconciled()
{
    auto catalogue = MaterialFactory::getInstance();
    const Material copper = catalogue->getMaterial(5);
    Document document;
    const auto result = DocumentReader(registry).load(document, dataFile("materials.kst"));
    QVERIFY(result.ok);
    QCOMPARE(result.warnings.size(), 2);
    QCOMPARE(result.warnings[0], DocumentReader::materialWarning());
    QVERIFY2(result.warnings[1].startsWith(QStringLiteral("1 material(s) of the document have ids that the "
                                                          "catalogue gives to other materials and were renumbered")),
             qPrintable(result.warnings[1]));

    // The clashing material moved to a new id; the catalogue's one is untouched.
    QCOMPARE(catalogue->getMaterial(5), copper);
    std::uint32_t brassId = 0;
    for (const Material &m : catalogue->getMaterials())
        brassId = m.getName() == QLatin1String("Brass") ? m.getId() : brassId;
    QVERIFY(brassId >= 2000);
    QCOMPARE(catalogue->getMaterial(40).getName(), QStringLiteral("Unobtainium"));
    QCOMPARE(catalogue->getMaterial(1).getName(), QStringLiteral("Si"));

    const auto volumes = volumesOf(document);
    QCOMPARE(volumes.size(), 1);
    const Ids expected {1, brassId, 40, 0, brassId, 6, 77, 1};
    QVERIFY(volumes[0]->materialIds() == expected);

    // A later file without materials keeps its ids: 5 is copper again, not brass.
    Document third;
    QVERIFY(readFromBytes(threeCells(QStringLiteral("5 1 40 ")), third, registry).ok);
    QVERIFY(volumesOf(third)[0]->materialIds() == (Ids {5, 1, 40}));
}

void TestDocument::notADocument_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("no header") << QByteArray("<Document><Object object-type=\"1\" size-x=\"1\" size-y=\"1\" "
                                             "size-z=\"1\"><State>1 </State></Object></Document>");
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
    QTest::addColumn<QByteArray>("damage"); // "cut", "markup"
    QTest::addColumn<int>("cellText");      // bytes of the second State kept before the damage
    QTest::addColumn<qint64>("chunkBytes");
    QTest::newRow("cut inside a token, small chunks") << QByteArray("cut") << 1001 << qint64(64);
    QTest::newRow("cut after a blank, odd chunks") << QByteArray("cut") << 1000 << qint64(97);
    QTest::newRow("cut, one chunk for all") << QByteArray("cut") << 777 << (qint64(1) << 20);
    QTest::newRow("bare < inside the cells") << QByteArray("markup") << 1000 << qint64(64);
    QTest::newRow("cut before the first cell") << QByteArray("cut") << 0 << qint64(64);
}

// A file that breaks off inside the second volume's cells keeps the first
// volume whole and the second up to the break, says so, and leaves the file
// as it was.
void TestDocument::brokenOffKeepsWhatWasRead()
{
    QFETCH(QByteArray, damage);
    QFETCH(int, cellText);
    QFETCH(qint64, chunkBytes);
    Document original;
    original.addObject(makeVolume(3, 3, 3, 1.f, 1.f, 1.f, {1, 2, 3}, 7));
    original.addObject(makeVolume(20, 10, 10));
    const QByteArray xml = writeToBytes(original, registry);
    const int second = xml.indexOf("<State>", xml.indexOf("</Object><Object")) + 7;
    QVERIFY(second > 7);
    const QByteArray kept = xml.mid(second, cellText);
    QByteArray damaged = xml.left(second + cellText);
    if (damage == "markup")
        damaged += "< 1 2 3 </State></Object></Document>";
    const QString path = folder.filePath(QStringLiteral("broken.kst"));
    QVERIFY(TestFiles::write(path, damaged));

    Document loaded;
    DocumentReader reader(registry);
    reader.setChunkBytes(chunkBytes);
    const auto result = reader.load(loaded, path);
    QVERIFY(result.ok);
    QCOMPARE(TestFiles::read(path), damaged);
    const auto before = volumesOf(original), after = volumesOf(loaded);
    QVERIFY(after[0]->materialIds() == before[0]->materialIds());
    QCOMPARE(after[0]->getPosition(), Util::Vector3D(1, 2, 3));
    QVERIFY2(result.warnings.last().startsWith(QLatin1String("The document breaks off in line 1")),
             qPrintable(result.warnings.join('\n')));
    if (cellText == 0) {
        QCOMPARE(after.size(), 1);
        QVERIFY(result.warnings.first().contains(QLatin1String("is cut off by the end of the file")));
        return;
    }
    // The cells of every whole entry before the break, not a token it may have shortened.
    const std::size_t whole = std::size_t(kept.count(' '));
    QCOMPARE(after.size(), 2);
    QCOMPARE(result.warnings.size(), 2);
    QVERIFY2(result.warnings.first().startsWith(
                 QStringLiteral("The cell volume in line 1 (2000 cells) breaks off after %1 of its cells (").arg(whole)),
             qPrintable(result.warnings.first()));
    QVERIFY(result.warnings.first().endsWith(
        QStringLiteral("the other %1 were loaded as empty cells.").arg(2000 - whole)));
    Ids expected = before[1]->materialIds();
    std::fill(expected.begin() + std::ptrdiff_t(whole), expected.end(), 0u);
    QVERIFY(after[1]->materialIds() == expected);
}

void TestDocument::chunkedReadEqualsWholeRead_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<qint64>("chunkBytes");
    Document two;
    two.addObject(makeVolume(13, 11, 7, 0.5f, 1.f, 2.f, {1, 2, 3}, 4));
    two.addObject(makeVolume(5, 4, 3));
    const QByteArray written = writeToBytes(two, registry);
    QTest::newRow("two volumes, 16-byte chunks") << written << qint64(16);
    QTest::newRow("two volumes, 61-byte chunks") << written << qint64(61);
    QTest::newRow("two volumes, one chunk") << written << StateTextDevice::defaultChunkBytes;

    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Document><Header version=\"1\"/>";
    const auto object = [](const QByteArray &state) {
        return "<Object object-type=\"1\" size-x=\"4\" size-y=\"1\" size-z=\"1\">" + state
            + "<Position pos-x=\"1\" pos-y=\"0\" pos-z=\"0\"/></Object>";
    };
    const auto rows = QList<QPair<const char *, QByteArray>>{
        {"newlines, then a warning's line number", object("<State>\n1\n4\t3\r\n</State>") + object("<State>1 2</State>")},
        {"comment joins a token", object("<State>1 4<!-- x -->3 2 </State>")},
        {"entity and CDATA", object("<State>1&#32;4<![CDATA[ 3 ]]>2 </State>")},
        {"child element inside the cells", object("<State>1 <b>9 9</b> 4 3 2</State>")},
        {"State with attributes holding >", object("<State kind=\"a>b\" n='/'>1 4 3 2 </State>")},
        {"empty and self-closing States", object("<State/>") + object("<State></State>")},
        {"two States in one object", object("<State>1 4 </State><State>5</State>")},
        {"State outside an object", "<State>9 9 9</State>" + object("<State>1 4 3 2</State>")},
        {"processing instruction named like ours", object("<State>1 <?kestrum-cells 0?>4 3 2</State>")},
        {"non-ASCII material name before", "<Material version=\"1\" name=\"Poly \xc3\xa4\" material-id=\"5\" "
                                            "density=\"1\" poisson-ratio=\"0.3\" young-modulus=\"1\" color=\"#ff0000\"/>"
             + object("<State>5 5 5 5 </State>")},
    };
    for (const auto &row : rows) {
        for (const qint64 chunk : {qint64(16), qint64(9999)})
            QTest::addRow("%s, %lld-byte chunks", row.first, chunk) << head + row.second + "</Document>" << chunk;
    }
    QTest::newRow("doctype: whole file to the XML reader")
        << "<!DOCTYPE Document><Document><Header version=\"1\"/>" + object("<State>1 4 3 2</State>") + "</Document>"
        << qint64(16);
    const QString utf16 = QString::fromUtf8(head.mid(38) + object("<State>1 4 3 2</State>") + "</Document>");
    QByteArray wide("\xff\xfe");
    wide += QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
    QTest::newRow("UTF-16 with byte order mark") << wide << qint64(16);
}

// Cell text read from the file in chunks gives what the XML reader gives
// when it holds the whole text: the same cells, warnings and line numbers.
void TestDocument::chunkedReadEqualsWholeRead()
{
    QFETCH(QByteArray, document);
    QFETCH(qint64, chunkBytes);
    Document whole, chunked;
    StreamOnly stream(document);
    const auto expected = DocumentReader(registry).read(whole, stream);
    const auto result = readFromBytes(document, chunked, registry, chunkBytes);
    QCOMPARE(result.ok, expected.ok);
    QCOMPARE(result.objectsLoaded, expected.objectsLoaded);
    QCOMPARE(result.warnings, expected.warnings);
    QVERIFY(!volumesOf(whole).isEmpty());
    compareVolumes(chunked, whole);
}

void TestDocument::progressCoversTheFile()
{
    Document original;
    original.addObject(makeVolume(30, 20, 10));
    const QByteArray xml = writeToBytes(original, registry);
    ProgressLog log;
    Document loaded;
    QVERIFY(readFromBytes(xml, loaded, registry, 256, &log).ok);
    QVERIFY(log.steps.size() > 20);
    for (int i = 1; i < log.steps.size(); ++i)
        QVERIFY(log.steps[i].first >= log.steps[i - 1].first && log.steps[i].second == log.steps[0].second);
    QCOMPARE(log.steps.last().first, log.steps.last().second);
    QVERIFY(volumesOf(loaded)[0]->materialIds() == volumesOf(original)[0]->materialIds());
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
    QVERIFY(volumes[0]->materialIds() == Ids {3});
    QCOMPARE(volumes[0]->getPosition(), Util::Vector3D(1, 0, 0));
    QVERIFY(volumes[1]->materialIds() == (Ids {4, 4}));
    QCOMPARE(volumes[1]->getPosition(), Util::Vector3D(2, 0, 0));
    QCOMPARE(volumes[1]->getCellSizeX(), 1.f); // absent cell sizes read as 1
}

void TestDocument::stateRepairs_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QVector<uint>>("expected");
    QTest::addColumn<QString>("warning"); // empty: none
    QTest::newRow("complete") << "1 4 3 " << QVector<uint> {1, 4, 3} << "";
    QTest::newRow("word") << "1 abc 3 " << QVector<uint> {1, 0, 3}
                          << "holds 1 State entries that are no material ids; those cells were loaded as empty cells.";
    QTest::newRow("digits then letters") << "1a 4 3 " << QVector<uint> {0, 4, 3} << "holds 1 State entries";
    QTest::newRow("negative") << "-1 4 3 " << QVector<uint> {0, 4, 3} << "holds 1 State entries";
    QTest::newRow("beyond 32 bits") << "4294967296 4 3 " << QVector<uint> {0, 4, 3} << "holds 1 State entries";
    QTest::newRow("too few cells") << "1 4 " << QVector<uint> {1, 4, 0}
                                   << "lists only 2 cells in its State; the other 1 were loaded as empty cells.";
    QTest::newRow("none at all") << "" << QVector<uint> {0, 0, 0} << "lists only 0 cells";
    QTest::newRow("too many cells") << "1 4 3 3 3 " << QVector<uint> {1, 4, 3}
                                    << "lists 5 cells in its State; the 2 beyond the last cell were ignored.";
}

// The document loads as before, and the user hears what was repaired.
void TestDocument::stateRepairs()
{
    QFETCH(QString, state);
    QFETCH(QVector<uint>, expected);
    QFETCH(QString, warning);
    Document document;
    const auto result = readFromBytes(threeCells(state), document, registry);
    QVERIFY(result.ok);
    const auto volumes = volumesOf(document);
    QCOMPARE(volumes.size(), 1);
    const Ids ids = volumes[0]->materialIds();
    QCOMPARE(QVector<uint>(ids.begin(), ids.end()), expected);
    if (warning.isEmpty()) {
        QVERIFY(result.warnings.isEmpty());
    } else {
        QCOMPARE(result.warnings.size(), 1);
        QVERIFY2(result.warnings[0].startsWith(QStringLiteral("The cell volume in line 1 (3 cells) ")),
                 qPrintable(result.warnings[0]));
        QVERIFY2(result.warnings[0].contains(warning), qPrintable(result.warnings[0]));
    }
}

void TestDocument::manyClashingMaterials_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("20,000") << 20000;
    QTest::newRow("31,000: the new ids run out") << 31000;
}

// Every material of the file has an id the catalogue gives to another one:
// the load stays near-linear (quadratic took minutes), and materials that find
// no free id are an error whose cells load empty, never another material's.
void TestDocument::manyClashingMaterials()
{
    QFETCH(int, count);
    auto catalogue = MaterialFactory::getInstance();
    for (int i = 0; i < count; ++i)
        catalogue->addMaterial(Material(std::uint32_t(100000 + i), QStringLiteral("Catalogue %1").arg(i), 0, 0, 0, nullptr));
    QByteArray bytes = "<Document><Header version=\"1\"/>";
    for (int i = 0; i < count; ++i)
        bytes += QStringLiteral("<Material name=\"File %1\" material-id=\"%2\"/>").arg(i).arg(100000 + i).toUtf8();
    bytes += QStringLiteral("<Object object-type=\"1\" size-x=\"2\" size-y=\"1\" size-z=\"1\"><State>100000 %1 "
                            "</State></Object></Document>").arg(100000 + count - 1).toUtf8();

    QElapsedTimer timer;
    timer.start();
    Document document;
    const auto result = readFromBytes(bytes, document, registry);
    QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(result.ok);

    const int freeIds = int(MaterialFactory::lastNewId - MaterialFactory::firstNewId + 1);
    const int renumbered = std::min(count, freeIds);
    QVERIFY2(result.warnings.value(0).startsWith(QStringLiteral("%1 material(s) of the document have ids").arg(renumbered)),
             qPrintable(result.warnings.value(0)));
    const Ids ids = volumesOf(document).value(0)->materialIds();
    QCOMPARE(catalogue->getMaterial(ids[0]).getName(), QStringLiteral("File 0"));
    if (count > freeIds) {
        QCOMPARE(result.warnings.size(), 2);
        QCOMPARE(result.warnings[1], DocumentReader::noFreeIdWarning(count - freeIds, QStringLiteral("File %1").arg(freeIds)));
        QCOMPARE(ids[1], 0u);
    } else {
        QCOMPARE(result.warnings.size(), 1);
        QCOMPARE(catalogue->getMaterial(ids[1]).getName(), QStringLiteral("File %1").arg(count - 1));
    }
}

// Every prefix of a valid file and a fuzzer's mutations of it load or fail
// cleanly, never crash or hang; whatever loads is consistent.
void TestDocument::damagedFiles()
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    // A small catalogue keeps the file short; id 5 differs from the file's.
    auto smallCatalogue = [] {
        auto catalogue = MaterialFactory::getInstance();
        catalogue->loadDefaultMaterials();
        for (const Material &material : catalogue->getMaterials())
            catalogue->removeMaterial(material.getId() > 5 ? material.getId() : 0);
    };
    smallCatalogue();
    Document document;
    document.addObject(std::make_shared<TotalVolume>(
        3, 2, 2, 0.5f, 1.f, 2.5e-07f, Util::Vector3D(1, 2, 3), Ids {1, 0, 3, 3, 4, 5, 1, 1, 0, 0, 5, 12}));
    document.addObject(std::make_shared<TotalVolume>(1, 1, 2, 1.f, 1.f, 1.f, Util::Vector3D(), Ids {7, 1}));
    QByteArray valid = writeToBytes(document, registry);
    valid.replace("Cu (bulk)", "Bronze"); // loading goes through the id map
    QVERIFY(valid.size() < 2000);

    const auto usable = [&](const QByteArray &bytes) {
        smallCatalogue();
        Document loaded;
        const auto result = readFromBytes(bytes, loaded, registry);
        const auto volumes = volumesOf(loaded);
        bool consistent = result.ok ? volumes.size() == result.objectsLoaded : !result.errorMessage.isEmpty() && volumes.isEmpty();
        for (const auto &v : volumes)
            consistent = consistent && v && v->getCellCount() > 0
                && v->getCellCount() == std::size_t(v->getSizeX()) * v->getSizeY() * v->getSizeZ()
                && v->getCellSizeX() > 0 && std::isfinite(v->getCellSizeX()) && std::isfinite(v->getPosition().x)
                && v->materialIds().size() == v->getCellCount();
        return consistent;
    };
    for (int length = 0; length < valid.size(); ++length)
        QVERIFY2(usable(valid.left(length)), qPrintable(QString::number(length)));
    const QString refused = TestFiles::firstRefused(valid, 20240602u, usable, 3000);
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
    QLoggingCategory::setFilterRules(QString());
}

void TestDocument::stateFilesInWorkingFolder()
{
    QStringList names;
    {
        // Built in the same second, so they start from the same seed.
        ArchiverRegistry first, second, third;
        for (const ArchiverRegistry *registry : {&first, &second, &third})
            names << checkNames(*registry, QDir::currentPath());
        names.removeDuplicates();
        QCOMPARE(names.size(), 6);
    }
    for (const QString &name : names)
        QVERIFY2(!QFile::exists(name), qPrintable(name));
}

void TestDocument::fallbackToTemporaryFolder_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("folder is a file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestDocument::fallbackToTemporaryFolder()
{
    QFETCH(bool, readOnly);
    QTemporaryDir base;
    const QString path = base.filePath(QStringLiteral("state"));
    if (readOnly && geteuid() == 0)
        QSKIP("Permission bits do not stop the super-user");
    QVERIFY(readOnly ? QDir().mkpath(path) && QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner)
                     : QFile(path).open(QIODevice::WriteOnly));
    QStringList names;
    {
        ArchiverRegistry registry(path);
        QVERIFY(registry.hasStateFiles());
        names = checkNames(registry, QDir::tempPath());
        QCOMPARE(names.size(), 2);
    }
    for (const QString &name : names)
        QVERIFY(!QFile::exists(name));
    if (readOnly) {
        QVERIFY(QDir(path).entryList(QDir::Files).isEmpty());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"

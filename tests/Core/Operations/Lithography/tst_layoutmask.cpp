#include "MaskFiles.h"
#include "Model/Mutations.h"
#include "Model/TempHome.h"

#include "Core/ProcessRuns.h"
#include "Core/Operations/Lithography/GdsRecordValidator.h"
#include "Core/Operations/Lithography/LayoutMask.h"
#include "Model/Automaton/TotalVolume.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Core::Operations::GdsRecordValidator;
using Core::Operations::LayoutMask;
using Core::Operations::LithographyMask;

namespace {

// Layouts written with the system's python3-gdspy: on layer 1 a rectangle,
// on layer 2 an L, on layer 3 a square that only widens the layout; and a
// layout drawn in millimetres.
const char *layoutScript = R"(
import sys, gdspy
lib = gdspy.GdsLibrary(unit=1e-6, precision=1e-9)
top = gdspy.Cell('TOP'); lib.add(top)
top.add(gdspy.Rectangle((2, 3), (5, 7), layer=1))
top.add(gdspy.Polygon([(0, 0), (4, 0), (4, 1), (1, 1), (1, 4), (0, 4)], layer=2))
top.add(gdspy.Rectangle((10, 10), (12, 12), layer=3))
top.add(gdspy.Label('die', (1, 1), layer=4))
lib.write_gds(sys.argv[1] + '/shapes.gds')
mm = gdspy.GdsLibrary(unit=1e-3, precision=1e-6)
cell = gdspy.Cell('MM'); mm.add(cell)
cell.add(gdspy.Rectangle((0, 0), (2, 1), layer=5))
mm.write_gds(sys.argv[1] + '/millimetres.gds')
)";

QString cellsOf(const LithographyMask &mask)
{
    QStringList cells{QStringLiteral("%1x%2").arg(mask.width).arg(mask.height)};
    for (std::uint32_t i = 0; i < mask.width; ++i)
        for (std::uint32_t j = 0; j < mask.height; ++j)
            if (mask.isOpaque(i, j))
                cells << QStringLiteral("%1,%2").arg(i).arg(j);
    return cells.join(' ');
}

using TestFiles::GdsStream;

const QString examples = QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/masks/");

// The example layout with the length of its first LAYER record (byte 109)
// turned from 6 into 5.
QByteArray damagedExample()
{
    QByteArray bytes = TestFiles::read(examples + "cross_layer1.gds");
    if (bytes.size() > 109 && bytes.at(109) == 6)
        bytes[109] = 5;
    return bytes;
}

// One 1 µm square at the origin in CELL; ROW, 10 of them 2 µm apart;
// TOP, ten rows 2 µm apart and one more row at y = 30 µm.
QByteArray hierarchy()
{
    GdsStream gds;
    gds.begin().structure("CELL").rectangle(1, 0, 0, 1000, 1000).endStructure();
    gds.structure("ROW").aref("CELL", 10, 1, 0, 0, 2000, 2000).endStructure();
    gds.structure("TOP").aref("ROW", 1, 10, 0, 0, 2000, 2000).sref("ROW", 0, 30000).endStructure();
    return gds.end();
}

// A million CELLs in an array of a million arrays: 10^12 squares.
QByteArray arrayBomb()
{
    GdsStream gds;
    gds.begin().structure("CELL").rectangle(1, 0, 0, 1000, 1000).endStructure();
    gds.structure("A1").aref("CELL", 1000, 1000, 0, 0, 2000, 2000).endStructure();
    gds.structure("A2").aref("A1", 1000, 1000, 0, 0, 2000000, 2000000).endStructure();
    return gds.end();
}

// The offset of each record of a well-formed stream.
QVector<int> recordStarts(const QByteArray &bytes)
{
    QVector<int> starts;
    for (int at = 0; at + 4 <= bytes.size();) {
        const int length = (std::uint8_t(bytes[at]) << 8) | std::uint8_t(bytes[at + 1]);
        if (length < 4)
            break;
        starts << at;
        at += length;
    }
    return starts;
}

// The offset of each chunk of a PNG, the signature first.
QVector<int> chunkStarts(const QByteArray &bytes)
{
    QVector<int> starts{0};
    for (int at = 8; at + 12 <= bytes.size();) {
        starts << at;
        at += 12 + int(qFromBigEndian<quint32>(bytes.constData() + at));
    }
    return starts;
}

} // namespace

class TestLayoutMask : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void load_data();
    void load();
    void validator_data();
    void validator();
    void fuzz_data();
    void fuzz();

private:
    QTemporaryDir dir;
};

void TestLayoutMask::initTestCase()
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(layoutScript), dir.path()});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        QSKIP(qPrintable("python3-gdspy is needed to write the test layouts: " + python.readAllStandardError()));
    QFile shapes(dir.filePath("shapes.gds"));
    QVERIFY(shapes.open(QIODevice::ReadOnly));
    QVERIFY(TestFiles::write(dir.filePath("truncated.gds"), shapes.read(100)));
    QVERIFY(TestFiles::write(dir.filePath("junk.gds"), "this is not a layout at all, just some text in a file"));
    QVERIFY(TestFiles::write(dir.filePath("bomb.gds"), arrayBomb()));
    QVERIFY(TestFiles::write(dir.filePath("hierarchy.gds"), hierarchy()));
}

void TestLayoutMask::load_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("layer");
    QTest::addColumn<double>("cellSize");
    QTest::addColumn<QString>("result"); // the cells, or a part of the refusal
    // The layout reaches to (12, 12) on layer 3, so the masks are 12 cells wide.
    QTest::newRow("rectangle on layer 1") << "shapes.gds" << 1 << 1.0
        << "12x12 2,3 2,4 2,5 2,6 3,3 3,4 3,5 3,6 4,3 4,4 4,5 4,6";
    // Centres at 1, 3, 5, ...: only x = 3 lies in [2, 5), y = 3 and 5 in [3, 7).
    QTest::newRow("rectangle, two units per cell") << "shapes.gds" << 1 << 2.0 << "6x6 1,1 1,2";
    QTest::newRow("L-shape on layer 2") << "shapes.gds" << 2 << 1.0 << "12x12 0,0 0,1 0,2 0,3 1,0 2,0 3,0";
    QTest::newRow("layout drawn in millimetres") << "millimetres.gds" << 5 << 0.5 << "4x2 0,0 0,1 1,0 1,1 2,0 2,1 3,0 3,1";
    QTest::newRow("malformed file") << "junk.gds" << 1 << 1.0 << "is not a readable GDSII layout";
    QTest::newRow("truncated layout") << "truncated.gds" << 1 << 1.0 << "is not a readable GDSII layout";
    QTest::newRow("missing file") << "none.gds" << 1 << 1.0 << "cannot be opened";
    QTest::newRow("layer without polygons") << "shapes.gds" << 9 << 1.0 << "no polygons on layer 9 (layers with shapes: 1, 2, 3";
    QTest::newRow("text-only layer") << "shapes.gds" << 4 << 1.0 << "no polygons on layer 4";
    QTest::newRow("zero cell size") << "shapes.gds" << 1 << 0.0 << "greater than zero";
    QTest::newRow("cell size too small for the layout") << "shapes.gds" << 1 << 1e-6 << "too large";
    QTest::newRow("lowest layer by default") << "shapes.gds" << -1 << 1.0
        << "12x12 2,3 2,4 2,5 2,6 3,3 3,4 3,5 3,6 4,3 4,4 4,5 4,6";
    QTest::newRow("array bomb of 10^12 squares") << "bomb.gds" << 1 << 1.0 << "at least 1e+12 shapes";
    // Every square of the flattened hierarchy; the last row at y = 30 µm.
    QString squares = QStringLiteral("19x31");
    for (int i = 0; i < 19; i += 2)
        for (int j : {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 30})
            squares += QStringLiteral(" %1,%2").arg(i).arg(j);
    QTest::newRow("arrays flattened") << "hierarchy.gds" << 1 << 1.0 << squares;
    QTest::newRow("raster too large, refused before flattening") << "hierarchy.gds" << 1 << 1e-3 << "too large";
}

// A refused layout leaves the previous mask as it was.
void TestLayoutMask::load()
{
    QFETCH(QString, file);
    QFETCH(int, layer);
    QFETCH(double, cellSize);
    QFETCH(QString, result);
    LithographyMask mask;
    mask.width = mask.height = 1;
    mask.bits = Util::BitVector(1, true);
    QString error;
    const bool loaded = LayoutMask::load(dir.filePath(file), layer, cellSize, mask, error);
    QCOMPARE(loaded, result.at(0).isDigit());
    if (loaded) {
        QCOMPARE(cellsOf(mask), result);
        QCOMPARE(mask.fileName, dir.filePath(file));
    } else {
        QVERIFY2(error.contains(result), qPrintable(error));
        QCOMPARE(cellsOf(mask), QStringLiteral("1x1 0,0"));
    }
}

void TestLayoutMask::validator_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("result"); // "shapes vertices extentX extentY", or a part of the refusal
    const QByteArray two = GdsStream().begin().structure("TOP").rectangle(1, 0, 0, 2000, 3000)
                                .rectangle(2, 500, 500, 1000, 1000).endStructure().end();
    QTest::newRow("two rectangles") << two << "2 10 2 3";
    QTest::newRow("zero padding after ENDLIB") << two + QByteArray(2048, '\0') << "2 10 2 3";
    // CELL 1, ROW 10, TOP 110: every structure counts, the extent only TOP's.
    QTest::newRow("arrays through the hierarchy") << hierarchy() << "121 605 19 31";
    QTest::newRow("array bomb") << arrayBomb() << "at least 1e+12 shapes";
    const auto turned = [](double degrees) {
        return GdsStream().begin().structure("CELL").rectangle(1, 0, 0, 1000, 2000).endStructure().structure("TOP")
            .none(GdsStream::SRef).text(GdsStream::SName, "CELL").record(GdsStream::STrans, 1, QByteArray(2, '\0'))
            .record(GdsStream::Angle, 5, GdsStream::real8(degrees)).int4(GdsStream::XY, {5000, 0})
            .none(GdsStream::EndEl).endStructure().end();
    };
    QTest::newRow("quarter turn") << turned(90) << "2 10 5 1";
    QTest::newRow("turn by 30 degrees") << turned(30) << "2 10 unknown";
    QTest::newRow("LAYER record one byte short") << damagedExample() << "byte 108: a record length of 5";
    QTest::newRow("LAYER of 4 bytes") << GdsStream().begin().structure("TOP").none(GdsStream::Boundary)
        .int2(GdsStream::Layer, {1, 1}).int2(GdsStream::DataType, {0}).int4(GdsStream::XY, {0, 0, 1, 0, 1, 1, 0, 0})
        .none(GdsStream::EndEl).endStructure().end() << "LAYER with 4 data bytes (it must have 2)";
    QTest::newRow("reference to a missing structure") << GdsStream().begin().structure("TOP").sref("NONE", 0, 0)
        .endStructure().end() << "\"NONE\", which the file does not define";
    QTest::newRow("structure placing itself") << GdsStream().begin().structure("TOP").sref("TOP", 0, 0)
        .endStructure().end() << "refers to itself";
    QTest::newRow("two structures placing each other") << GdsStream().begin().structure("A").sref("B", 0, 0)
        .endStructure().structure("B").aref("A", 2, 2, 0, 0, 10, 10).endStructure().end() << "refers to itself";
    QTest::newRow("array without columns") << GdsStream().begin().structure("CELL").endStructure().structure("TOP")
        .aref("CELL", 0, 3, 0, 0, 10, 10).endStructure().end() << "an array of 0 columns and 3 rows";
    QTest::newRow("SREF with two points") << GdsStream().begin().structure("CELL").endStructure().structure("TOP")
        .none(GdsStream::SRef).text(GdsStream::SName, "CELL").int4(GdsStream::XY, {0, 0, 1, 1})
        .none(GdsStream::EndEl).endStructure().end() << "SREF with 2 points in XY";
    QTest::newRow("XY of one and a half points") << GdsStream().begin().structure("CELL").endStructure()
        .structure("TOP").none(GdsStream::SRef).text(GdsStream::SName, "CELL").int4(GdsStream::XY, {0, 0, 1})
        .none(GdsStream::EndEl).endStructure().end() << "XY with 12 data bytes";
    QTest::newRow("BOUNDARY without LAYER") << GdsStream().begin().structure("TOP").none(GdsStream::Boundary)
        .int2(GdsStream::DataType, {0}).int4(GdsStream::XY, {0, 0, 1, 0, 1, 1, 0, 0}).none(GdsStream::EndEl)
        .endStructure().end() << "BOUNDARY without LAYER";
    QTest::newRow("two structures of one name") << GdsStream().begin().structure("A").endStructure().structure("A")
        .endStructure().end() << "a second structure named \"A\"";
    QTest::newRow("element outside a structure") << GdsStream().begin().rectangle(1, 0, 0, 1, 1).end() << "BOUNDARY out of place";
    QTest::newRow("data after ENDLIB") << two + "junk" << "data after ENDLIB";
    QTest::newRow("no ENDLIB") << two.left(two.size() - 4) << "ends before ENDLIB";
    QTest::newRow("record past the end") << two.left(two.size() - 18) << "runs past the end";
    QTest::newRow("no HEADER") << two.mid(6) << "does not start with a GDSII HEADER";
    QTest::newRow("zero UNITS") << GdsStream().int2(0, {600}).int2(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        .text(2, "lib").record(3, 5, QByteArray(16, '\0')).end() << "UNITS that are not positive";
}

void TestLayoutMask::validator()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, result);
    GdsRecordValidator::Summary summary;
    QString error;
    const bool accepted = GdsRecordValidator::check(stream, summary, error);
    QVERIFY2(accepted == result.at(0).isDigit(), qPrintable(error));
    if (!accepted) {
        QVERIFY2(error.contains(result), qPrintable(error));
        return;
    }
    QString got = QStringLiteral("%1 %2 ").arg(summary.shapes).arg(summary.vertices);
    got += summary.extentKnown ? QStringLiteral("%1 %2").arg(summary.extentX).arg(summary.extentY) : QStringLiteral("unknown");
    QCOMPARE(got, result);
}

void TestLayoutMask::fuzz_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("valid");
    QTest::addColumn<uint>("seed");
    QTest::addColumn<int>("rounds");
    const QByteArray example = TestFiles::read(examples + "cross_layer1.gds");
    const QByteArray image = TestFiles::read(examples + "openings_48.png");
    QTest::newRow("example layout") << "mask.gds" << example << 7u << 2500;
    QTest::newRow("layout of arrays") << "mask.gds" << hierarchy() << 8u << 2500;
    QTest::newRow("mask image") << "mask.png" << image << 9u << 600;
}

// Damaged masks named by a recipe step: each one is developed or refused
// with the file as the reason, and none takes the program down.
void TestLayoutMask::fuzz()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, valid);
    QFETCH(uint, seed);
    QFETCH(int, rounds);
    QVERIFY(!valid.isEmpty());
    const QString path = dir.filePath(file);
    const auto step = TestSupport::stepOf(Core::ProcessKey::Photolithography, {{"Top Mask File", path}});
    int developed = 0;
    auto usable = [&](const QByteArray &bytes) {
        QFile::remove(path); // rewritten in place, the file would be flushed every round
        if (!TestFiles::write(path, bytes))
            return false;
        Core::BatchRun::BatchStepExecutor::Context context;
        // Two columns along x: the light runs in this thread.
        context.volume = std::make_shared<Model::Automaton::TotalVolume>(
            2, 2, 2, 10.f, 10.f, 10.f, Util::Vector3D(), std::vector<std::uint32_t>(8, 11u));
        const int code = Core::BatchRun::BatchStepExecutor().execute(step, context);
        developed += code == 0;
        const bool fine = code == 0 || (code == Core::BatchRun::BatchStepExecutor::BadParameter &&
                                        context.failedParameter == QLatin1String("Top Mask File") &&
                                        context.failureReason.contains(path));
        if (!fine)
            qWarning() << code << context.failedParameter << context.failureReason;
        return fine;
    };
    TestFiles::BinaryMutator mutator(valid, file.endsWith(".png") ? chunkStarts(valid) : recordStarts(valid), seed);
    const QString refused = TestFiles::firstRefusedBy(mutator, usable, rounds);
    QVERIFY2(refused.isEmpty(), qPrintable(refused));
    QVERIFY(developed > 0);
    qInfo() << rounds << "mutations," << developed << "developed";
}

QTEST_GUILESS_MAIN(TestLayoutMask)
#include "tst_layoutmask.moc"

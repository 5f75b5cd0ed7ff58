#include "Model/TempHome.h"

#include "Core/Operations/Lithography/LayoutMask.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

} // namespace

class TestLayoutMask : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void load_data();
    void load();

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

QTEST_GUILESS_MAIN(TestLayoutMask)
#include "tst_layoutmask.moc"

#include "Model/Metrology/ColumnStack.h"
#include "Model/Metrology/Section.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/SectionPicture.h"
#include "Model/Metrology/SurfaceProfile.h"
#include "Model/Metrology/TrenchMetrics.h"

#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Persistence/DocumentReader.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

using Model::Automaton::TotalVolume;
using namespace Model::Metrology;

namespace {

constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t oxide = 3;
constexpr std::uint32_t nitride = 5;
constexpr std::uint32_t mask = 7;

struct CellSize
{
    double x, y, z;
};

// A volume of `extent` µm whose every cell takes the id `shape` gives its
// centre (world µm).
std::shared_ptr<TotalVolume> build(const CellSize &cell, const CellSize &extent,
                                   const std::function<std::uint32_t(double, double, double)> &shape,
                                   const Util::Vector3D &position = Util::Vector3D())
{
    const auto nx = std::uint32_t(std::lround(extent.x / cell.x));
    const auto ny = std::uint32_t(std::lround(extent.y / cell.y));
    const auto nz = std::uint32_t(std::lround(extent.z / cell.z));
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    for (std::uint32_t i = 0; i < nx; ++i)
        for (std::uint32_t j = 0; j < ny; ++j)
            for (std::uint32_t k = 0; k < nz; ++k)
                ids[(std::size_t(i) * ny + j) * nz + k] =
                    shape(position.x + (i + 0.5) * cell.x, position.y + (j + 0.5) * cell.y, position.z + (k + 0.5) * cell.z);
    return std::make_shared<TotalVolume>(nx, ny, nz, float(cell.x), float(cell.y), float(cell.z), position, ids);
}

// Rows for each shape in cells of 1 x 1, 0.5 x 0.5 and 1 x 0.25 µm (x by z).
void addCellSizes(std::initializer_list<const char *> shapes)
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<double>("cx");
    QTest::addColumn<double>("cz");
    for (const char *shape : shapes)
        for (const auto &c : {std::make_pair(1.0, 1.0), std::make_pair(0.5, 0.5), std::make_pair(1.0, 0.25)})
            QTest::addRow("%s, cells %g x %g", shape, c.first, c.second) << QString(shape) << c.first << c.second;
}

Section sectionOf(TotalVolume &volume, Axis axis, double at)
{
    QString error;
    const std::optional<Section> s = SectionCut::take(volume, axis, at, &error);
    if (!s)
        qFatal("no section: %s", qPrintable(error));
    return *s;
}

Trench trenchOf(const Section &s, const TrenchRequest &request = {})
{
    QString error;
    const std::optional<Trench> t = TrenchMetrics::measure(s, request, &error);
    if (!t)
        qFatal("no trench: %s", qPrintable(error));
    return *t;
}

bool near(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance;
}

// Silicon to 6 µm with a 4 µm trench from x 8 to 12 µm and a 1 µm oxide cap,
// over 20 x 2 x 10 µm in cells of 0.5 x 1 x 0.25 µm.
Section trenchSection()
{
    auto volume = build({0.5, 1, 0.25}, {20, 2, 10}, [](double x, double, double z) {
        return x > 8 && x < 12 && z > 2 ? 0u : z < 6 ? silicon : z < 7 ? oxide : 0u;
    });
    return sectionOf(*volume, Axis::Y, 1.0);
}

} // namespace

class TestMetrology : public QObject
{
    Q_OBJECT

private slots:
    void stackOfThreeFilms_data();
    void stackOfThreeFilms();
    void sectionsEqualTheCells_data();
    void sectionsEqualTheCells();
    void profileHeights();
    void trenches_data();
    void trenches();
    void refusals_data();
    void refusals();
    void wetEtchedPyramid_data();
    void wetEtchedPyramid();
    void layoutKeepsTrueAspect_data();
    void layoutKeepsTrueAspect();
    void csvHoldsTheCells();
};

void TestMetrology::stackOfThreeFilms_data()
{
    addCellSizes({"films"});
}

// Silicon to 4 µm, oxide to 5, a 1 µm void, nitride 6 to 7, over a volume
// placed at z = -2 µm: the stack reads top down in world heights.
void TestMetrology::stackOfThreeFilms()
{
    QFETCH(double, cx);
    QFETCH(double, cz);
    const Util::Vector3D at(10.0, -3.0, -2.0);
    auto volume = build({cx, cx, cz}, {6, 4, 12}, [](double, double, double z) {
        return z < 2 ? silicon : z < 3 ? oxide : z < 4 ? 0u : z < 5 ? nitride : 0u;
    }, at);
    QString error;
    const auto stack = ColumnStack::at(*volume, 12.0, -1.0, &error);
    QVERIFY2(stack, qPrintable(error));
    QCOMPARE(int(stack->size()), 4);
    const std::uint32_t ids[] = {nitride, 0, oxide, silicon};
    const double tops[] = {5, 4, 3, 2};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE((*stack)[i].material, ids[i]);
        QCOMPARE((*stack)[i].top, tops[i]);
        QCOMPARE((*stack)[i].bottom, i == 3 ? -2.0 : tops[i + 1]);
    }
    // The far faces count as inside; beyond them is refused with the span.
    QVERIFY(ColumnStack::at(*volume, 16.0, 1.0, &error));
    QVERIFY(!ColumnStack::at(*volume, 16.01, 0.0, &error));
    QVERIFY2(error.contains(QStringLiteral("x 10 to 16")), qPrintable(error));
}

void TestMetrology::sectionsEqualTheCells_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("threads");
    for (int axis = 0; axis < 3; ++axis)
        for (const int threads : {1, 3, 8})
            QTest::addRow("axis %d, %d slabs", axis, threads) << axis << threads;
}

// Every section of a random volume holds exactly the cells of its layer,
// whatever the number of slabs.
void TestMetrology::sectionsEqualTheCells()
{
    QFETCH(int, axis);
    QFETCH(int, threads);
    const std::uint32_t n[3] = {23, 17, 11};
    QRandomGenerator random(42);
    std::vector<std::uint32_t> ids(std::size_t{n[0]} * n[1] * n[2]);
    for (std::uint32_t &id : ids)
        id = random.bounded(4u);
    TotalVolume volume(n[0], n[1], n[2], 0.5f, 2.0f, 0.25f, Util::Vector3D(1, 2, 3), ids);
    const double low[3] = {1.0, 2.0, 3.0};
    const double cell[3] = {0.5, 2.0, 0.25};
    const std::uint32_t layer = n[axis] / 2;
    QString error;
    const auto s = SectionCut::take(volume, Axis(axis), low[axis] + (layer + 0.3) * cell[axis], &error, threads);
    QVERIFY2(s, qPrintable(error));
    QCOMPARE(s->index, layer);
    const int ua = axis == 0 ? 1 : 0;
    const int va = axis == 2 ? 1 : 2;
    QCOMPARE(s->width, n[ua]);
    QCOMPARE(s->height, n[va]);
    QCOMPARE(s->uOrigin, low[ua]);
    QCOMPARE(s->vCell, cell[va]);
    for (std::uint32_t u = 0; u < s->width; ++u)
        for (std::uint32_t v = 0; v < s->height; ++v) {
            std::uint32_t c[3];
            c[axis] = layer;
            c[ua] = u;
            c[va] = v;
            QCOMPARE(s->id(u, v), ids[(std::size_t(c[0]) * n[1] + c[1]) * n[2] + c[2]]);
        }
}

void TestMetrology::profileHeights()
{
    // A staircase of silicon with a nitride cap on the upper half.
    auto volume = build({1, 1, 0.5}, {8, 2, 10}, [](double x, double, double z) {
        const double top = 1.0 + std::floor(x);
        if (z < top)
            return silicon;
        return x > 4 && z < top + 1 ? nitride : 0u;
    });
    const Section s = sectionOf(*volume, Axis::Y, 1.0);
    QString error;
    const auto all = SurfaceProfile::heights(s, std::nullopt, &error);
    const auto si = SurfaceProfile::heights(s, silicon, &error);
    const auto cap = SurfaceProfile::heights(s, nitride, &error);
    QVERIFY(all && si && cap);
    for (std::uint32_t u = 0; u < 8; ++u) {
        QCOMPARE((*si)[u], 1.0 + u);
        QCOMPARE((*all)[u], u >= 4 ? 2.0 + u : 1.0 + u);
        QCOMPARE(std::isnan((*cap)[u]), u < 4);
    }
    QVERIFY(!SurfaceProfile::heights(sectionOf(*volume, Axis::Z, 1.0), std::nullopt, &error));
    QVERIFY(error.contains(QStringLiteral("horizontal")));
}

void TestMetrology::trenches_data()
{
    addCellSizes({"rectangular", "V-groove", "undercut mask", "bowing"});
}

void TestMetrology::trenches()
{
    QFETCH(QString, shape);
    QFETCH(double, cx);
    QFETCH(double, cz);
    if (shape == "rectangular") {
        // Silicon to 8 µm with a trench from x 10 to 18 µm down to 3 µm.
        auto volume = build({cx, 1, cz}, {28, 3, 12}, [](double x, double, double z) {
            return z < 3 || (z < 8 && (x < 10 || x > 18)) ? silicon : 0u;
        });
        const Section s = sectionOf(*volume, Axis::Y, 1.5);
        TrenchRequest request;
        request.widthHeight = 5.0;
        const Trench t = trenchOf(s, request);
        QCOMPARE(t.depth, 5.0);
        QCOMPARE(t.surface, 8.0);
        QCOMPARE(t.bottom, 3.0);
        QCOMPARE(t.topWidth, 8.0);
        QCOMPARE(t.bottomWidth, 8.0);
        QCOMPARE(*t.widthAtHeight, 8.0);
        QCOMPARE(*t.angleLeft, 90.0);
        QCOMPARE(*t.angleRight, 90.0);
        QCOMPARE(t.bowing, 0.0);
        QVERIFY(!t.undercut);
        QCOMPARE(t.centre, 14.0);
        // A range holding only the left rim and half the trench has none.
        QString error;
        TrenchRequest half;
        half.from = 0.0;
        half.to = 14.0;
        QVERIFY(!TrenchMetrics::measure(s, half, &error));
        QVERIFY2(error.startsWith(QStringLiteral("No trench between x 0 to 14")), qPrintable(error));
    } else if (shape == "V-groove") {
        // A flat-bottomed groove with walls at the {111} angle to a (100)
        // surface: 40 µm open at the surface (z = 20), 12 µm deep.
        const double theta = std::atan(std::sqrt(2.0));
        const double opening = 40.0, depth = 12.0, surface = 20.0, centre = 30.0;
        auto volume = build({cx, 1, cz}, {60, 2, 24}, [&](double x, double, double z) {
            if (z > surface)
                return 0u;
            const double half = opening / 2 - (surface - z) / std::tan(theta);
            return z < surface - depth || std::abs(x - centre) >= half ? silicon : 0u;
        });
        const Trench t = trenchOf(sectionOf(*volume, Axis::Y, 1.0));
        const double degrees = theta * 180.0 / M_PI;
        QVERIFY2(near(*t.angleLeft, degrees, 1.0), qPrintable(QString::number(*t.angleLeft)));
        QVERIFY2(near(*t.angleRight, degrees, 1.0), qPrintable(QString::number(*t.angleRight)));
        QCOMPARE(t.depth, depth);
        QVERIFY2(near(t.topWidth, opening, cx), qPrintable(QString::number(t.topWidth)));
        QVERIFY2(near(t.bottomWidth, opening - 2 * depth / std::tan(theta), 2 * cx),
                 qPrintable(QString::number(t.bottomWidth)));
        QCOMPARE(t.bowing, 0.0);
    } else if (shape == "undercut mask") {
        // Silicon to 10 µm under a 1 µm mask open from x 10 to 20 µm; the
        // etch went 4 µm down and 3 µm under the mask on both sides.
        auto volume = build({cx, 1, cz}, {30, 2, 14}, [](double x, double, double z) {
            if (z > 10)
                return z < 11 && (x < 10 || x > 20) ? mask : 0u;
            return z < 6 || x < 7 || x > 23 ? silicon : 0u;
        });
        TrenchRequest request;
        request.mask = mask;
        const Trench t = trenchOf(sectionOf(*volume, Axis::Y, 0.5), request);
        QCOMPARE(t.depth, 5.0);
        QCOMPARE(t.topWidth, 10.0);
        QCOMPARE(t.widest, 16.0);
        QCOMPARE(t.bowing, 6.0);
        QCOMPARE(*t.undercutLeft, 3.0);
        QCOMPARE(*t.undercutRight, 3.0);
        QCOMPARE(*t.undercut, 3.0);
        // Without the mask's id there is no undercut to speak of.
        QVERIFY(!trenchOf(sectionOf(*volume, Axis::Y, 0.5)).undercut);
    } else {
        // A trench 8 µm wide at the surface (z = 12) that bulges to 12 µm
        // between 5 and 9 µm, its floor at 2 µm; another, shallower one beside it.
        auto volume = build({cx, 1, cz}, {40, 2, 14}, [](double x, double, double z) {
            if (z > 12)
                return 0u;
            const double half = z > 5 && z < 9 ? 6 : 4;
            const bool deep = z > 2 && std::abs(x - 15) < half;
            const bool shallow = z > 10 && std::abs(x - 32) < 3;
            return deep || shallow ? 0u : silicon;
        });
        const Section s = sectionOf(*volume, Axis::Y, 1.0);
        const Trench t = trenchOf(s);
        QCOMPARE(t.depth, 10.0);
        QCOMPARE(t.topWidth, 8.0);
        QCOMPARE(t.bottomWidth, 8.0);
        QCOMPARE(t.widest, 12.0);
        QCOMPARE(t.bowing, 4.0);
        QCOMPARE(*t.widthAt(7.0), 12.0);
        QVERIFY(!t.widthAt(1.0));
        // Limited to the shallow one, the range measures that one.
        TrenchRequest right;
        right.from = 26.0;
        right.to = 38.0;
        const Trench shallow = trenchOf(s, right);
        QCOMPARE(shallow.depth, 2.0);
        QCOMPARE(shallow.topWidth, 6.0);
    }
}

void TestMetrology::refusals_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<double>("at");
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("to");
    QTest::addColumn<QString>("message");
    const double whole = std::nan("");
    QTest::newRow("beyond the volume") << 1 << 4.5 << whole << whole << "y = 4.5 µm lies outside the volume, which spans y from 0 to 4 µm.";
    QTest::newRow("below the volume") << 0 << -0.5 << whole << whole << "x = -0.5 µm lies outside";
    QTest::newRow("not a number") << 2 << std::nan("") << whole << whole << "lies outside";
    QTest::newRow("horizontal") << 2 << 1.0 << whole << whole << "A section across z is horizontal";
    QTest::newRow("empty section") << 1 << 3.5 << whole << whole << "The section y = 3.5 µm holds no material.";
    QTest::newRow("flat surface") << 1 << 0.5 << whole << whole << "No trench between x 0 to 20 µm";
    QTest::newRow("narrow range") << 0 << 10.0 << 1.0 << 2.0 << "fewer than three columns";
}

// A volume with a flat slab in y < 3 µm and nothing beyond.
void TestMetrology::refusals()
{
    QFETCH(int, axis);
    QFETCH(double, at);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QString, message);
    auto volume = build({1, 1, 1}, {20, 4, 6}, [](double, double y, double z) { return y < 3 && z < 3 ? silicon : 0u; });
    QString error;
    const std::optional<Section> s = SectionCut::take(*volume, Axis(axis), at, &error);
    if (s) {
        TrenchRequest request;
        if (!std::isnan(from)) {
            request.from = from;
            request.to = to;
        }
        QVERIFY(!TrenchMetrics::measure(*s, request, &error));
    }
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestMetrology::wetEtchedPyramid_data()
{
    QTest::addColumn<int>("refine");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("as saved, 1 um cells") << 1 << 2.5;
    QTest::newRow("0.5 um cells") << 2 << 1.0;
}

// The pyramid of the wet-etch example: {111} walls at 54.74 degrees, the
// depth asked for below the mask, the bottom as wide as the crystal allows.
// At 1 µm cells the 10 µm pit has 9 rows between 10 and 90 % of its depth,
// and whole-cell steps alone move a fit over so few rows by up to 2 degrees.
void TestMetrology::wetEtchedPyramid()
{
    QFETCH(int, refine);
    QFETCH(double, tolerance);
    const QString examples = QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/");
    Core::Workspace workspace;
    Model::Persistence::DocumentReader reader(workspace.getArchivers());
    QVERIFY(reader.load(workspace.getDocument(), examples + QStringLiteral("masked_wafer.kst")).ok);
    auto saved = std::dynamic_pointer_cast<TotalVolume>(workspace.getDocument().getAllObjects().value(0));
    QVERIFY(saved);
    // The same wafer in cells `refine` times smaller along every axis.
    const std::uint32_t nx = saved->getSizeX(), ny = saved->getSizeY(), nz = saved->getSizeZ();
    const std::vector<std::uint32_t> coarse = saved->materialIds();
    const std::uint32_t r = std::uint32_t(refine);
    std::vector<std::uint32_t> fine(coarse.size() * r * r * r);
    for (std::uint32_t i = 0; i < nx * r; ++i)
        for (std::uint32_t j = 0; j < ny * r; ++j)
            for (std::uint32_t k = 0; k < nz * r; ++k)
                fine[(std::size_t(i) * ny * r + j) * nz * r + k] = coarse[(std::size_t(i / r) * ny + j / r) * nz + k / r];
    auto volume = std::make_shared<TotalVolume>(nx * r, ny * r, nz * r, saved->getCellSizeX() / refine,
                                                saved->getCellSizeY() / refine, saved->getCellSizeZ() / refine,
                                                saved->getPosition(), fine);
    workspace.getDocument().addObject(volume);
    QList<Core::BatchRun::ProcessData> steps;
    QVERIFY(Core::BatchRun::ProcessListArchiver().loadProcessList(examples + QStringLiteral("si_wet_etch_pyramid.plst"), steps));
    Core::BatchRun::BatchStepExecutor executor;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = volume;
    const double extent[2] = {nx * saved->getCellSizeX(), ny * saved->getCellSizeY()};
    const double opening = trenchOf(sectionOf(*volume, Axis::Y, extent[1] / 2)).topWidth;
    QCOMPARE(executor.execute(steps.first(), context), int(Core::BatchRun::BatchStepExecutor::Done));
    const double etched = steps.first().getParameter(QStringLiteral("Depth")).toDouble();

    for (const Axis axis : {Axis::X, Axis::Y}) {
        const Section s = sectionOf(*volume, axis, extent[axis == Axis::X ? 0 : 1] / 2);
        TrenchRequest request;
        request.mask = oxide;
        const Trench t = trenchOf(s, request);
        QString error;
        const double siliconTop = SurfaceProfile::heights(s, silicon, &error)->front();
        const double maskThickness = t.surface - siliconTop;
        QVERIFY(maskThickness > 0);
        const double theta = std::atan(std::sqrt(2.0));
        const QString numbers = QStringLiteral("across %1: angles %2 and %3, depth %4, widths %5 and %6")
                                    .arg(axisName(axis)).arg(*t.angleLeft).arg(*t.angleRight).arg(t.depth)
                                    .arg(t.topWidth).arg(t.bottomWidth);
        QVERIFY2(near(*t.angleLeft, 54.74, tolerance), qPrintable(numbers));
        QVERIFY2(near(*t.angleRight, 54.74, tolerance), qPrintable(numbers));
        QVERIFY2(near(t.depth, etched + maskThickness, s.vCell), qPrintable(numbers));
        QCOMPARE(t.topWidth, opening);
        QVERIFY2(near(t.bottomWidth, opening - 2 * etched / std::tan(theta), s.uCell), qPrintable(numbers));
        // The pit stops at the mask's edge: {111} walls do not undercut.
        QVERIFY2(t.undercut && std::abs(*t.undercut) <= s.uCell, qPrintable(numbers));
        qInfo("%s", qPrintable(numbers));
    }
}

void TestMetrology::layoutKeepsTrueAspect_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<double>("zoom");
    QTest::newRow("wide picture") << QSizeF(1200, 400) << 1.0;
    QTest::newRow("tall picture") << QSizeF(300, 900) << 1.0;
    QTest::newRow("zoomed in") << QSizeF(800, 600) << 7.5;
}

// One µm is as many pixels across as up, whatever the cells' shape, and
// pixels map back to the same in-plane point.
void TestMetrology::layoutKeepsTrueAspect()
{
    QFETCH(QSizeF, size);
    QFETCH(double, zoom);
    const Section s = trenchSection();
    SectionPicture::Options options;
    const SectionPicture::Layout layout = SectionPicture::zoomed(s, size, options, zoom, QPointF(10.0, 5.0));
    QVERIFY(layout.frame.width() > 0 && layout.frame.height() > 0);
    QCOMPARE(layout.plot.width() / layout.plot.height(), 20.0 / 10.0);
    const QPointF a = layout.toPixels(s, 3.0, 4.0);
    const QPointF b = layout.toPixels(s, 4.0, 5.0);
    QCOMPARE(b.x() - a.x(), a.y() - b.y());
    const QPointF back = layout.toSection(s, a);
    QVERIFY(std::abs(back.x() - 3.0) < 1e-9 && std::abs(back.y() - 4.0) < 1e-9);
    // The point asked for lies in the middle of the frame.
    const QPointF centre = layout.toPixels(s, 10.0, 5.0);
    QVERIFY(std::abs(centre.x() - layout.frame.center().x()) < 1e-6);
    QVERIFY(std::abs(centre.y() - layout.frame.center().y()) < 1e-6);
    if (zoom == 1.0)
        QVERIFY(layout.frame.adjusted(-0.5, -0.5, 0.5, 0.5).contains(layout.plot));
}

// The grid of ids, top row first, under the cell centres' coordinates.
void TestMetrology::csvHoldsTheCells()
{
    const Section s = trenchSection();
    QList<QByteArray> rows = SectionExport::csv(s).split('\n');
    QCOMPARE(rows.takeLast(), QByteArray());
    QCOMPARE(rows.size(), 2 + int(s.height));
    QVERIFY(rows[0].startsWith("# Kestrum section y = 1 um"));
    const QList<QByteArray> header = rows[1].split(',');
    QCOMPARE(header.size(), 1 + int(s.width));
    QCOMPARE(header[0], QByteArray("z\\x"));
    QCOMPARE(header[1].toDouble(), 0.25);
    QCOMPARE(header.last().toDouble(), 19.75);
    for (std::uint32_t r = 0; r < s.height; ++r) {
        const QList<QByteArray> cells = rows[2 + int(r)].split(',');
        const std::uint32_t v = s.height - 1 - r;
        QCOMPARE(cells[0].toDouble(), (v + 0.5) * 0.25);
        for (std::uint32_t u = 0; u < s.width; ++u)
            QCOMPARE(cells[1 + int(u)].toUInt(), s.id(u, v));
    }
}

// The layout measures its labels with the application's fonts.
QTEST_MAIN(TestMetrology)
#include "tst_metrology.moc"

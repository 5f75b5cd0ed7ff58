#include "UI/GLWidget.h"
#include "UI/Quaternion.h"
#include "UI/ViewCamera.h"
#include "UI/ViewGrid.h"

#include <QSurfaceFormat>
#include <QtTest>

#include <cmath>
#include <limits>

using Util::Vector3D;

namespace {

bool near(double a, double b, double tolerance = 1e-9)
{
    return std::abs(a - b) <= tolerance;
}

bool near(const Vector3D &a, const Vector3D &b, double tolerance = 1e-9)
{
    return near(a.x, b.x, tolerance) && near(a.y, b.y, tolerance) && near(a.z, b.z, tolerance);
}

Vector3D rotated(const Ui::Quaternion &q, const Vector3D &v)
{
    double r[3] = {v.x, v.y, v.z};
    q.rotate(r);
    return Vector3D(r[0], r[1], r[2]);
}

QString text(const Vector3D &v)
{
    return QStringLiteral("(%1, %2, %3)").arg(v.x).arg(v.y).arg(v.z);
}

} // namespace

class TestViewMaths : public QObject
{
    Q_OBJECT

private slots:
    void namedViews_data();
    void namedViews();
    void trackballPoint_data();
    void trackballPoint();
    void trackballDrag_data();
    void trackballDrag();
    void wheel_data();
    void wheel();
    void projectionAndGridExtent_data();
    void projectionAndGridExtent();
    void snapping_data();
    void snapping();
    void gridSpacing_data();
    void gridSpacing();
    void gridLines_data();
    void gridLines();
    void unprojectDepth_data();
    void unprojectDepth();
    void unprojectInvertsProject_data();
    void unprojectInvertsProject();
    void formatWarnings_data();
    void formatWarnings();
};

void TestViewMaths::namedViews_data()
{
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("c");
    QTest::addColumn<Vector3D>("world");
    QTest::addColumn<Vector3D>("eye");

    // Eye space: x right, y up, z towards the viewer.
    QTest::newRow("top: x stays right") << 0.0 << 0.0 << 0.0 << Vector3D(1, 0, 0) << Vector3D(1, 0, 0);
    QTest::newRow("top: z faces the viewer") << 0.0 << 0.0 << 0.0 << Vector3D(0, 0, 1) << Vector3D(0, 0, 1);
    QTest::newRow("front: z is up") << -90.0 << 0.0 << 0.0 << Vector3D(0, 0, 1) << Vector3D(0, 1, 0);
    QTest::newRow("front: y goes away") << -90.0 << 0.0 << 0.0 << Vector3D(0, 1, 0) << Vector3D(0, 0, -1);
    QTest::newRow("back: y faces the viewer") << -90.0 << 0.0 << 180.0 << Vector3D(0, 1, 0) << Vector3D(0, 0, 1);
    QTest::newRow("back: z is up") << -90.0 << 0.0 << 180.0 << Vector3D(0, 0, 1) << Vector3D(0, 1, 0);
    QTest::newRow("left: x goes away") << -90.0 << 0.0 << 90.0 << Vector3D(1, 0, 0) << Vector3D(0, 0, -1);
    QTest::newRow("right: x faces the viewer") << -90.0 << 0.0 << -90.0 << Vector3D(1, 0, 0) << Vector3D(0, 0, 1);
    QTest::newRow("bottom: z goes away") << 180.0 << 0.0 << 0.0 << Vector3D(0, 0, 1) << Vector3D(0, 0, -1);
    QTest::newRow("bottom: y is down") << 180.0 << 0.0 << 0.0 << Vector3D(0, 1, 0) << Vector3D(0, -1, 0);
    QTest::newRow("y then x: 90 about y, x goes away") << 0.0 << 90.0 << 0.0 << Vector3D(1, 0, 0) << Vector3D(0, 0, -1);
}

void TestViewMaths::namedViews()
{
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, c);
    QFETCH(Vector3D, world);
    QFETCH(Vector3D, eye);

    Ui::ViewCamera camera;
    camera.setViewAngle(37.0, 11.0, -5.0); // earlier angles do not carry over
    camera.setViewAngle(a, b, c);
    const Vector3D got = rotated(camera.rotation(), world);
    QVERIFY2(near(got, eye, 1e-12), qPrintable(text(got)));

    // The model-view matrix without translation is the rotation itself.
    double m[16];
    camera.modelViewMatrix(m);
    const Vector3D viaMatrix(m[0] * world.x + m[4] * world.y + m[8] * world.z,
                             m[1] * world.x + m[5] * world.y + m[9] * world.z,
                             m[2] * world.x + m[6] * world.y + m[10] * world.z);
    QVERIFY2(near(viaMatrix, eye, 1e-12), qPrintable(text(viaMatrix)));
}

void TestViewMaths::trackballPoint_data()
{
    QTest::addColumn<double>("mx");
    QTest::addColumn<double>("my");
    QTest::addColumn<Vector3D>("point");
    // A 200 x 100 widget.
    QTest::newRow("centre") << 100.0 << 50.0 << Vector3D(0, 0, 1);
    QTest::newRow("right edge") << 200.0 << 50.0 << Vector3D(1, 0, 0);
    QTest::newRow("top edge, screen y points down") << 100.0 << 0.0 << Vector3D(0, 1, 0);
    QTest::newRow("halfway right") << 150.0 << 50.0 << Vector3D(0.5, 0, std::sqrt(0.75));
    QTest::newRow("corner, outside the ball") << 0.0 << 100.0 << Vector3D(-std::sqrt(0.5), -std::sqrt(0.5), 0);
    QTest::newRow("far outside") << 500.0 << 50.0 << Vector3D(1, 0, 0);
}

void TestViewMaths::trackballPoint()
{
    QFETCH(double, mx);
    QFETCH(double, my);
    QFETCH(Vector3D, point);
    const Vector3D got = Ui::ViewCamera::trackballPoint(mx, my, 200, 100);
    QVERIFY2(near(got, point, 1e-12), qPrintable(text(got)));
}

void TestViewMaths::trackballDrag_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("turns");

    // A 200 x 200 widget.
    QTest::newRow("same pixel") << QPointF(120, 80) << QPointF(120, 80) << false;
    QTest::newRow("both outside on one ray") << QPointF(300, 100) << QPointF(400, 100) << false;
    QTest::newRow("opposite rim points") << QPointF(200, 100) << QPointF(0, 100) << false;
    QTest::newRow("centre to right rim") << QPointF(100, 100) << QPointF(200, 100) << true;
    QTest::newRow("small step") << QPointF(100, 100) << QPointF(101, 99) << true;
    QTest::newRow("across the rim") << QPointF(150, 150) << QPointF(250, 20) << true;
}

void TestViewMaths::trackballDrag()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(bool, turns);

    Ui::ViewCamera camera;
    camera.setViewportSize(200, 200);
    camera.setViewAngle(-90.0, 0.0, 30.0);
    const Ui::Quaternion before = camera.rotation();
    camera.beginTrackball(from.x(), from.y());
    const Vector3D a = camera.trackballLast();
    QCOMPARE(camera.dragTrackball(to.x(), to.y()), turns);

    const Ui::Quaternion after = camera.rotation();
    if (!turns) {
        QCOMPARE(QVector<double>({after.w, after.x, after.y, after.z}),
                 QVector<double>({before.w, before.x, before.y, before.z}));
        return;
    }
    // The step turns the first trackball point onto the second, and the
    // result is still a rotation.
    const Vector3D b = Ui::ViewCamera::trackballPoint(to.x(), to.y(), 200, 200);
    const Ui::Quaternion step = after * Ui::Quaternion(before.w, -before.x, -before.y, -before.z);
    QVERIFY2(near(rotated(step, a), b, 1e-9), qPrintable(text(rotated(step, a))));
    QVERIFY(near(after.length(), 1.0, 1e-12));
    QVERIFY(near(camera.trackballLast(), b, 0.0));
}

void TestViewMaths::wheel_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QVector<int>>("deltas");
    QTest::addColumn<double>("expected");
    QTest::newRow("one notch up zooms out by 2.2") << 1.0 << QVector<int>{120} << 2.2;
    QTest::newRow("one notch down zooms in by 2.2") << 1.0 << QVector<int>{-120} << 1.0 / 2.2;
    QTest::newRow("up then down returns") << 3.0 << QVector<int>{120, -120} << 3.0;
    QTest::newRow("a double notch is 3.4, not 2.2 squared") << 1.0 << QVector<int>{240} << 3.4;
    QTest::newRow("fine-grained wheel") << 2.0 << QVector<int>{15, 15} << 2.0 * 1.15 * 1.15;
    QTest::newRow("fine-grained down") << 2.0 << QVector<int>{-15} << 2.0 / 1.15;
    QTest::newRow("zero delta") << 2.0 << QVector<int>{0} << 2.0;
}

void TestViewMaths::wheel()
{
    QFETCH(double, zoom);
    QFETCH(QVector<int>, deltas);
    QFETCH(double, expected);
    Ui::ViewCamera camera;
    QVERIFY(camera.setZoom(zoom));
    for (int delta : deltas)
        camera.wheel(delta);
    QVERIFY2(near(camera.zoom(), expected, 1e-12), qPrintable(QString::number(camera.zoom(), 'g', 17)));
}

void TestViewMaths::projectionAndGridExtent_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<Vector3D>("translation");
    QTest::addColumn<QVector<double>>("ortho");
    QTest::addColumn<QVector<double>>("extent");

    QTest::newRow("400 x 300 at zoom 1") << QSize(400, 300) << 1.0 << Vector3D()
        << QVector<double>{-200, 200, -150, 150, -282.5, 282.5} << QVector<double>{-200, -150, 200, 150};
    QTest::newRow("zoom 2, translated") << QSize(400, 300) << 2.0 << Vector3D(10, -20, 5)
        << QVector<double>{-400, 400, -300, 300, -565, 565} << QVector<double>{-410, -280, 390, 320};
    QTest::newRow("tall widget") << QSize(100, 301) << 0.5 << Vector3D()
        << QVector<double>{-25, 25, -75.25, 75.25, -106.25, 106.25} << QVector<double>{-25, -75.25, 25, 75.25};
}

void TestViewMaths::projectionAndGridExtent()
{
    QFETCH(QSize, size);
    QFETCH(double, zoom);
    QFETCH(Vector3D, translation);
    QFETCH(QVector<double>, ortho);
    QFETCH(QVector<double>, extent);

    Ui::ViewCamera camera;
    camera.setViewportSize(size.width(), size.height());
    camera.setZoom(zoom);
    camera.setTranslation(translation);
    const Ui::ViewCamera::Ortho box = camera.projection();
    QCOMPARE(QVector<double>({box.left, box.right, box.bottom, box.top, box.nearPlane, box.farPlane}), ortho);
    const Ui::ViewGrid &grid = camera.grid();
    QCOMPARE(QVector<double>({grid.xMin(), grid.yMin(), grid.xMax(), grid.yMax()}), extent);
}

void TestViewMaths::snapping_data()
{
    QTest::addColumn<double>("spacing");
    QTest::addColumn<Vector3D>("point");
    QTest::addColumn<Vector3D>("snapped");

    QTest::newRow("tie goes to the upper line") << 10.0 << Vector3D(5, 15, 3) << Vector3D(10, 20, 0);
    QTest::newRow("negative tie goes up too") << 10.0 << Vector3D(-5, -15, 0) << Vector3D(0, -10, 0);
    QTest::newRow("nearer the lower line") << 10.0 << Vector3D(4.9, 14.99, -2) << Vector3D(0, 10, 0);
    QTest::newRow("nearer the upper line") << 10.0 << Vector3D(-6, 27, 8) << Vector3D(-10, 30, 0);
    QTest::newRow("on a line") << 10.0 << Vector3D(20, -30, 1) << Vector3D(20, -30, 0);
    QTest::newRow("fine grid") << 0.25 << Vector3D(1.125, 0.3, 0) << Vector3D(1.25, 0.25, 0);
}

void TestViewMaths::snapping()
{
    QFETCH(double, spacing);
    QFETCH(Vector3D, point);
    QFETCH(Vector3D, snapped);
    Ui::ViewGrid grid;
    QVERIFY(grid.setSpacing(spacing));
    QCOMPARE(grid.snap(point), snapped);
}

void TestViewMaths::gridSpacing_data()
{
    QTest::addColumn<double>("spacing");
    QTest::addColumn<bool>("taken");
    QTest::newRow("zero keeps the previous") << 0.0 << false;
    QTest::newRow("negative keeps the previous") << -4.0 << false;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << false;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false;
    QTest::newRow("small positive") << 0.0001 << true;
    QTest::newRow("large") << 1e9 << true;
}

void TestViewMaths::gridSpacing()
{
    QFETCH(double, spacing);
    QFETCH(bool, taken);
    Ui::ViewGrid grid;
    QVERIFY(grid.setSpacing(2.5));
    grid.setExtent(-100, -100, 100, 100);
    QCOMPARE(grid.setSpacing(spacing), taken);
    QCOMPARE(grid.spacing(), taken ? spacing : 2.5);
    // Snapping and line building stay finite whatever was offered.
    const Vector3D snapped = grid.snap(Vector3D(3.3, -7.1, 0));
    QVERIFY(std::isfinite(snapped.x) && std::isfinite(snapped.y));
    for (const auto &line : grid.lines())
        QVERIFY(std::isfinite(line.x0) && std::isfinite(line.y1));
}

void TestViewMaths::gridLines_data()
{
    QTest::addColumn<QVector<double>>("extent");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<QVector<double>>("ys");
    QTest::addColumn<QVector<double>>("bounds"); // x0, y0, x1, y1 of the lines

    QTest::newRow("off-grid extent") << QVector<double>{-15, -5, 15, 5} << 10.0
        << QVector<double>{-20, -10, 0, 10} << QVector<double>{-10, 0} << QVector<double>{-20, -10, 20, 10};
    QTest::newRow("extent on grid lines") << QVector<double>{0, 0, 20, 10} << 10.0
        << QVector<double>{0, 10, 20} << QVector<double>{0, 10} << QVector<double>{0, 0, 20, 10};
    QTest::newRow("too dense to draw") << QVector<double>{-1000, -1000, 1000, 1000} << 0.0001
        << QVector<double>{} << QVector<double>{} << QVector<double>{};
}

void TestViewMaths::gridLines()
{
    QFETCH(QVector<double>, extent);
    QFETCH(double, spacing);
    QFETCH(QVector<double>, xs);
    QFETCH(QVector<double>, ys);
    QFETCH(QVector<double>, bounds);

    Ui::ViewGrid grid;
    grid.setExtent(extent[0], extent[1], extent[2], extent[3]);
    QVERIFY(grid.setSpacing(spacing));
    // Vertical lines first, then horizontal ones, each spanning the whole grid.
    QVector<double> got, expected;
    for (const auto &line : grid.lines())
        got << line.x0 << line.y0 << line.x1 << line.y1;
    for (double x : xs)
        expected << x << bounds.value(1) << x << bounds.value(3);
    for (double y : ys)
        expected << bounds.value(0) << y << bounds.value(2) << y;
    QCOMPARE(got, expected);
}

void TestViewMaths::unprojectDepth_data()
{
    QTest::addColumn<float>("depth");
    QTest::addColumn<double>("used");
    QTest::newRow("cleared buffer") << 1.0f << 0.5;
    QTest::newRow("just above the limit") << 0.9999995f << 0.5;
    QTest::newRow("an object near the back") << 0.99f << double(0.99f);
    QTest::newRow("an object in front") << 0.25f << 0.25;
    QTest::newRow("nearest possible") << 0.0f << 0.0;
}

void TestViewMaths::unprojectDepth()
{
    QFETCH(float, depth);
    QFETCH(double, used);
    QCOMPARE(Ui::ViewCamera::unprojectDepth(depth), used);
}

void TestViewMaths::unprojectInvertsProject_data()
{
    QTest::addColumn<Vector3D>("angles");
    QTest::addColumn<Vector3D>("translation");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<Vector3D>("world");

    QTest::newRow("top view") << Vector3D() << Vector3D() << 1.0 << Vector3D(30, -20, 10);
    QTest::newRow("top view, translated and zoomed") << Vector3D() << Vector3D(-40, 15, 2) << 0.25 << Vector3D(35, -10, 5);
    QTest::newRow("front view") << Vector3D(-90, 0, 0) << Vector3D(5, 5, 5) << 2.0 << Vector3D(-100, 50, 80);
    QTest::newRow("arbitrary") << Vector3D(33, -71, 12) << Vector3D(1, -2, 3) << 0.7 << Vector3D(12, 34, -56);
}

void TestViewMaths::unprojectInvertsProject()
{
    QFETCH(Vector3D, angles);
    QFETCH(Vector3D, translation);
    QFETCH(double, zoom);
    QFETCH(Vector3D, world);

    Ui::ViewCamera camera;
    camera.setViewportSize(640, 480);
    camera.setViewAngle(angles.x, angles.y, angles.z);
    camera.setTranslation(translation);
    camera.setZoom(zoom);

    const Vector3D window = camera.project(world);
    QVERIFY(window.z > 0.0 && window.z < 1.0);
    const Vector3D back = camera.unproject(window.x, window.y, window.z);
    QVERIFY2(near(back, world, 1e-9), qPrintable(text(back)));

    // Over empty space the view uses depth 0.5: the plane through the
    // rotation centre, which sits at minus the translation.
    const Vector3D centre = camera.unproject(320, 240, 0.5);
    QVERIFY2(near(centre, Vector3D(-translation.x, -translation.y, -translation.z), 1e-9), qPrintable(text(centre)));
}

void TestViewMaths::formatWarnings_data()
{
    QTest::addColumn<bool>("doubleBuffer");
    QTest::addColumn<int>("alpha");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("red");
    QTest::addColumn<bool>("direct");
    QTest::addColumn<QStringList>("warnings");

    const auto w = [](const char *what) {
        return QStringLiteral("Could not get %1; results will be suboptimal").arg(QLatin1String(what));
    };
    QTest::newRow("everything") << true << 8 << 24 << 8 << true << QStringList();
    QTest::newRow("single buffer") << false << 8 << 24 << 8 << true << QStringList{w("double buffer")};
    QTest::newRow("no alpha, no depth") << true << 0 << 0 << 8 << true
        << QStringList{w("alpha channel"), w("depth buffer")};
    QTest::newRow("indirect colour-index") << true << 8 << 24 << 0 << false
        << QStringList{w("rgba mode"), w("direct rendering")};
}

void TestViewMaths::formatWarnings()
{
    QFETCH(bool, doubleBuffer);
    QFETCH(int, alpha);
    QFETCH(int, depth);
    QFETCH(int, red);
    QFETCH(bool, direct);
    QFETCH(QStringList, warnings);

    QSurfaceFormat format;
    format.setSwapBehavior(doubleBuffer ? QSurfaceFormat::DoubleBuffer : QSurfaceFormat::SingleBuffer);
    format.setAlphaBufferSize(alpha);
    format.setDepthBufferSize(depth);
    format.setRedBufferSize(red);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    QCOMPARE(Ui::GLWidget::formatWarnings(format, direct), warnings);
}

QTEST_GUILESS_MAIN(TestViewMaths)
#include "tst_viewmaths.moc"

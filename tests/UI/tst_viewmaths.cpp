#include "UI/Quaternion.h"
#include "UI/ViewCamera.h"
#include "UI/ViewGrid.h"

#include <QtTest>

#include <cmath>

using Util::Vector3D;

namespace {

bool near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }
bool near(const Vector3D &a, const Vector3D &b, double tolerance)
{
    return near(a.x, b.x, tolerance) && near(a.y, b.y, tolerance) && near(a.z, b.z, tolerance);
}

Vector3D rotated(const Ui::Quaternion &q, const Vector3D &v)
{
    double r[3] = {v.x, v.y, v.z};
    q.rotate(r);
    return Vector3D(r[0], r[1], r[2]);
}

} // namespace

class TestViewMaths : public QObject
{
    Q_OBJECT

private slots:
    void trackballDrag_data();
    void trackballDrag();
    void wheel_data();
    void wheel();
    void snapping_data();
    void snapping();
    void gridLines_data();
    void gridLines();
};

void TestViewMaths::trackballDrag_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("turns");
    // A 200 x 200 widget.
    QTest::newRow("same pixel") << QPointF(120, 80) << QPointF(120, 80) << false;
    QTest::newRow("opposite rim points") << QPointF(200, 100) << QPointF(0, 100) << false;
    QTest::newRow("centre to right rim") << QPointF(100, 100) << QPointF(200, 100) << true;
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
    QVERIFY(near(rotated(step, a), b, 1e-9));
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
    QTest::newRow("a double notch is 3.4, not 2.2 squared") << 1.0 << QVector<int>{240} << 3.4;
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

void TestViewMaths::snapping_data()
{
    QTest::addColumn<double>("spacing");
    QTest::addColumn<Vector3D>("point");
    QTest::addColumn<Vector3D>("snapped");
    QTest::newRow("tie goes to the upper line") << 10.0 << Vector3D(5, 15, 3) << Vector3D(10, 20, 0);
    QTest::newRow("negative tie goes up too") << 10.0 << Vector3D(-5, -15, 0) << Vector3D(0, -10, 0);
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

void TestViewMaths::gridLines_data()
{
    // Vertical lines first, then horizontal ones, each spanning the whole grid: x0, y0, x1, y1 per line.
    QTest::addColumn<QVector<double>>("extent");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<QVector<double>>("lines");
    QTest::newRow("off-grid extent") << QVector<double>{-15, -5, 15, 5} << 10.0
        << QVector<double>{-20, -10, -20, 10, -10, -10, -10, 10, 0, -10, 0, 10, 10, -10, 10, 10,
                           -20, -10, 20, -10, -20, 0, 20, 0};
    QTest::newRow("too dense to draw") << QVector<double>{-1000, -1000, 1000, 1000} << 0.0001 << QVector<double>{};
}

void TestViewMaths::gridLines()
{
    QFETCH(QVector<double>, extent);
    QFETCH(double, spacing);
    QFETCH(QVector<double>, lines);
    Ui::ViewGrid grid;
    grid.setExtent(extent[0], extent[1], extent[2], extent[3]);
    QVERIFY(grid.setSpacing(spacing));
    QVector<double> got;
    for (const auto &line : grid.lines())
        got << line.x0 << line.y0 << line.x1 << line.y1;
    QCOMPARE(got, lines);
}

QTEST_GUILESS_MAIN(TestViewMaths)
#include "tst_viewmaths.moc"

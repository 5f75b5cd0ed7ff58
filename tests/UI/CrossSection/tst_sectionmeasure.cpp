#include "Model/Metrology/RulerMeasure.h"
#include "Model/Metrology/Section.h"
#include "UI/CrossSection/SectionPlane.h"

#include <QSet>
#include <QtTest>

#include <cmath>

using Model::Metrology::Axis;
using Model::Metrology::RulerMeasure;
using Model::Metrology::RulerReading;
using Model::Metrology::Section;

namespace {

// A section across y = 2.5 (x along u, z along v) of `width` x `height` cells of the given sizes.
Section sectionOf(std::uint32_t width, std::uint32_t height, double uCell, double vCell, QPointF origin = {})
{
    Section s;
    s.at = 2.5;
    s.width = width;
    s.height = height;
    s.uCell = uCell;
    s.vCell = vCell;
    s.uOrigin = origin.x();
    s.vOrigin = origin.y();
    s.ids.assign(std::size_t(width) * height, 1);
    return s;
}

} // namespace

// The ruler's arithmetic and the rectangle the 3-D view draws for the plane.
class TestSectionMeasure : public QObject
{
    Q_OBJECT

private slots:
    void measure_data();
    void measure();
    void snap_data();
    void snap();
    void line_data();
    void line();
    void planeCorners_data();
    void planeCorners();
};

void TestSectionMeasure::measure_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<double>("distance");
    QTest::addColumn<double>("angle");

    QTest::newRow("3-4-5 rising") << QPointF(2.5, 3.5) << QPointF(5.5, 7.5) << 5.0 << 53.13010235415598;
    QTest::newRow("same line taken backwards") << QPointF(5.5, 7.5) << QPointF(2.5, 3.5) << 5.0 << 53.13010235415598;
    QTest::newRow("falling to the right") << QPointF(0.0, 4.0) << QPointF(4.0, 0.0) << std::sqrt(32.0) << -45.0;
    QTest::newRow("falling, taken from the right") << QPointF(4.0, 0.0) << QPointF(0.0, 4.0) << std::sqrt(32.0) << -45.0;
    QTest::newRow("horizontal leftwards") << QPointF(9.0, 1.0) << QPointF(1.0, 1.0) << 8.0 << 0.0;
    QTest::newRow("vertical up") << QPointF(1.0, 1.0) << QPointF(1.0, 8.0) << 7.0 << 90.0;
    QTest::newRow("vertical down is still 90") << QPointF(1.0, 8.0) << QPointF(1.0, 1.0) << 7.0 << 90.0;
    QTest::newRow("one point") << QPointF(3.0, 3.0) << QPointF(3.0, 3.0) << 0.0 << 0.0;
    QTest::newRow("negative coordinates") << QPointF(-10.0, -2.0) << QPointF(-4.0, -2.0 + 6.0 * std::sqrt(3.0))
                                          << 12.0 << 60.0;
}

void TestSectionMeasure::measure()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(double, distance);
    QFETCH(double, angle);
    const RulerReading r = RulerMeasure::measure(from, to);
    QVERIFY2(std::abs(r.distance - distance) < 1e-9, qPrintable(QString::number(r.distance, 'g', 17)));
    QVERIFY2(std::abs(r.angle - angle) < 1e-9, qPrintable(QString::number(r.angle, 'g', 17)));
}

void TestSectionMeasure::snap_data()
{
    QTest::addColumn<double>("uCell");
    QTest::addColumn<double>("vCell");
    QTest::addColumn<QPointF>("origin");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QPointF>("snapped");

    // 10 x 8 cells.
    QTest::newRow("near a cell centre") << 1.0 << 1.0 << QPointF() << QPointF(2.43, 3.61) << QPointF(2.5, 3.5);
    QTest::newRow("near a corner") << 1.0 << 1.0 << QPointF() << QPointF(3.1, 4.9) << QPointF(3.0, 5.0);
    QTest::newRow("cells of 0.25 x 2 um") << 0.25 << 2.0 << QPointF() << QPointF(1.16, 6.6) << QPointF(1.125, 7.0);
    QTest::newRow("shifted origin") << 1.0 << 1.0 << QPointF(-5.2, 10.0) << QPointF(-3.1, 12.2) << QPointF(-3.2, 12.0);
    QTest::newRow("beyond the far faces") << 1.0 << 1.0 << QPointF() << QPointF(12.0, 9.0) << QPointF(10.0, 8.0);
    QTest::newRow("before the origin") << 1.0 << 1.0 << QPointF() << QPointF(-0.7, -3.0) << QPointF(0.0, 0.0);
}

void TestSectionMeasure::snap()
{
    QFETCH(double, uCell);
    QFETCH(double, vCell);
    QFETCH(QPointF, origin);
    QFETCH(QPointF, point);
    QFETCH(QPointF, snapped);
    const Section s = sectionOf(10, 8, uCell, vCell, origin);
    const QPointF got = RulerMeasure::snap(s, point);
    QVERIFY2(std::abs(got.x() - snapped.x()) < 1e-9 && std::abs(got.y() - snapped.y()) < 1e-9,
             qPrintable(QStringLiteral("%1, %2").arg(got.x()).arg(got.y())));
}

void TestSectionMeasure::line_data()
{
    QTest::addColumn<int>("normal");
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("label");

    QTest::newRow("across y")
        << int(Axis::Y) << QPointF(2.5, 3.5) << QPointF(5.5, 7.5)
        << QStringLiteral("Ruler on section y = 2.5 \u00b5m: distance 5 \u00b5m, dx 3 \u00b5m, dz 4 \u00b5m, angle "
                          "53.1301\u00b0 (from x 2.5, z 3.5 to x 5.5, z 7.5 \u00b5m)")
        << QStringLiteral("5 \u00b5m, 53.1301\u00b0");
    QTest::newRow("across x names y and z")
        << int(Axis::X) << QPointF(0.5, 0.5) << QPointF(0.5, 2.0)
        << QStringLiteral("Ruler on section x = 2.5 \u00b5m: distance 1.5 \u00b5m, dy 0 \u00b5m, dz 1.5 \u00b5m, angle "
                          "90\u00b0 (from y 0.5, z 0.5 to y 0.5, z 2 \u00b5m)")
        << QStringLiteral("1.5 \u00b5m, 90\u00b0");
    QTest::newRow("across z names x and y, leftwards")
        << int(Axis::Z) << QPointF(0.3, 0.1) << QPointF(0.1, 0.1)
        << QStringLiteral("Ruler on section z = 2.5 \u00b5m: distance 0.2 \u00b5m, dx -0.2 \u00b5m, dy 0 \u00b5m, angle "
                          "0\u00b0 (from x 0.3, y 0.1 to x 0.1, y 0.1 \u00b5m)")
        << QStringLiteral("0.2 \u00b5m, 0\u00b0");
}

void TestSectionMeasure::line()
{
    QFETCH(int, normal);
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QString, line);
    QFETCH(QString, label);
    Section s = sectionOf(10, 8, 1.0, 1.0);
    s.normal = Axis(normal);
    s.uAxis = s.normal == Axis::X ? Axis::Y : Axis::X;
    s.vAxis = s.normal == Axis::Z ? Axis::Y : Axis::Z;
    const RulerReading r = RulerMeasure::measure(from, to);
    QCOMPARE(RulerMeasure::line(s, r), line);
    QCOMPARE(RulerMeasure::label(r), label);
}

void TestSectionMeasure::planeCorners_data()
{
    QTest::addColumn<int>("normal");
    QTest::addColumn<double>("at");

    QTest::newRow("across x") << int(Axis::X) << 1.5;
    QTest::newRow("across y") << int(Axis::Y) << -0.25;
    QTest::newRow("across z at the top face") << int(Axis::Z) << 7.0;
}

void TestSectionMeasure::planeCorners()
{
    QFETCH(int, normal);
    QFETCH(double, at);
    Ui::CrossSection::SectionPlane plane;
    plane.normal = Axis(normal);
    plane.at = at;
    plane.lower = Util::Vector3D(-1.0, -2.0, 3.0);
    plane.upper = Util::Vector3D(4.0, 6.0, 7.0);
    const auto corners = plane.corners();
    const auto coordinates = [](const Util::Vector3D &p) { return QVector<double>{p.x, p.y, p.z}; };
    const QVector<double> lower = coordinates(plane.lower), upper = coordinates(plane.upper);
    // Every corner lies in the plane, on the box's edges; the four are the
    // box's four corners in that plane, each side shared by neighbours only.
    QSet<QVector<double>> distinct;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QVector<double> c = coordinates(corners[i]), next = coordinates(corners[(i + 1) % corners.size()]);
        int differing = 0;
        for (int axis = 0; axis < 3; ++axis) {
            QVERIFY(axis == normal ? c[axis] == at : c[axis] == lower[axis] || c[axis] == upper[axis]);
            differing += c[axis] != next[axis];
        }
        QCOMPARE(differing, 1);
        distinct.insert(c);
    }
    QCOMPARE(distinct.size(), 4);
}

QTEST_APPLESS_MAIN(TestSectionMeasure)
#include "tst_sectionmeasure.moc"

#include "RulerMeasure.h"

#include "Section.h"

#include <algorithm>
#include <cmath>

namespace Model {
namespace Metrology {

namespace {

// Lengths to 0.1 nm and angles to 0.0001 degree, without trailing zeros:
// "5", "11.3137", "-0.2"; rounding noise reads 0, never "-0".
QString number(double v)
{
    QString text = QString::number(v, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

double snapAlong(double c, double origin, double cell, double end)
{
    if (!(cell > 0.0))
        return c;
    const double half = 0.5 * cell;
    return std::clamp(origin + std::round((c - origin) / half) * half, origin, end);
}

} // namespace

RulerReading RulerMeasure::measure(const QPointF &from, const QPointF &to)
{
    RulerReading r;
    r.from = from;
    r.to = to;
    r.du = to.x() - from.x();
    r.dv = to.y() - from.y();
    r.distance = std::hypot(r.du, r.dv);
    if (r.distance > 0.0) {
        double a = std::atan2(r.dv, r.du) * 180.0 / 3.14159265358979323846;
        // A line has no direction: fold the angle into (-90, 90].
        if (a > 90.0)
            a -= 180.0;
        else if (a <= -90.0)
            a += 180.0;
        r.angle = a;
    }
    return r;
}

QPointF RulerMeasure::snap(const Section &s, const QPointF &point)
{
    return QPointF(snapAlong(point.x(), s.uOrigin, s.uCell, s.uEnd()),
                   snapAlong(point.y(), s.vOrigin, s.vCell, s.vEnd()));
}

QString RulerMeasure::label(const RulerReading &r)
{
    return QStringLiteral("%1 \u00b5m, %2\u00b0").arg(number(r.distance), number(r.angle));
}

QString RulerMeasure::line(const Section &s, const RulerReading &r)
{
    const QString u = axisName(s.uAxis);
    const QString v = axisName(s.vAxis);
    return QStringLiteral("Ruler on section %1 = %2 \u00b5m: distance %3 \u00b5m, d%4 %5 \u00b5m, d%6 %7 \u00b5m, "
                          "angle %8\u00b0 (from %4 %9, %6 %10 to %4 %11, %6 %12 \u00b5m)")
        .arg(axisName(s.normal), number(s.at), number(r.distance), u, number(r.du), v, number(r.dv),
             number(r.angle))
        .arg(number(r.from.x()), number(r.from.y()), number(r.to.x()), number(r.to.y()));
}

} // namespace Metrology
} // namespace Model

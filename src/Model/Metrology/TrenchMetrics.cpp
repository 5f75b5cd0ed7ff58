#include "TrenchMetrics.h"

#include "Section.h"

#include "Util/FloatText.h"

#include <QJsonValue>

#include <algorithm>
#include <cmath>

namespace Model {
namespace Metrology {

namespace {

QString text(double v)
{
    return Util::floatText(float(v));
}

QJsonValue json(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

double degrees(double radians)
{
    return radians * 180.0 / 3.14159265358979323846;
}

// The empty run of row v holding column c, limited to [first, last]; whether
// material closes it on each side inside that range.
struct Run
{
    std::uint32_t left;
    std::uint32_t right;
    bool closedLeft;
    bool closedRight;
};

Run emptyRun(const Section &s, std::uint32_t v, std::uint32_t c, std::uint32_t first, std::uint32_t last)
{
    Run run{c, c, false, false};
    while (run.left > first && s.id(run.left - 1, v) == 0)
        --run.left;
    while (run.right < last && s.id(run.right + 1, v) == 0)
        ++run.right;
    run.closedLeft = run.left > first;
    run.closedRight = run.right < last;
    return run;
}

// The undercut on one side: the horizontal distance from the mask's edge, in
// the lowest row where the mask bounds the trench, to the wall in the row
// below it, positive when the wall lies beyond the mask's edge.
std::optional<double> undercutOf(const Section &s, const std::vector<Run> &runs, std::uint32_t firstRow,
                                 std::uint32_t mask, bool left)
{
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Run &run = runs[i];
        const std::uint32_t wallCell = left ? run.left - 1 : run.right + 1;
        if (s.id(wallCell, firstRow + std::uint32_t(i)) != mask)
            continue;
        if (i == 0)
            return std::nullopt; // the mask reaches the floor: nothing lies below it
        const Run &below = runs[i - 1];
        return left ? s.uEdge(run.left) - s.uEdge(below.left) : s.uEdge(below.right + 1) - s.uEdge(run.right + 1);
    }
    return std::nullopt;
}

} // namespace

std::optional<double> Trench::widthAt(double z) const
{
    if (rows.empty() || !(z >= rows.front().bottom && z <= rows.back().top))
        return std::nullopt;
    for (const Row &row : rows) {
        if (z < row.top)
            return row.width();
    }
    return rows.back().width();
}

std::optional<double> TrenchMetrics::fitSlope(const std::vector<double> &z, const std::vector<double> &u)
{
    const std::size_t n = std::min(z.size(), u.size());
    if (n < 2)
        return std::nullopt;
    double zMean = 0.0;
    double uMean = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        zMean += z[i];
        uMean += u[i];
    }
    zMean /= double(n);
    uMean /= double(n);
    double szz = 0.0;
    double szu = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        szz += (z[i] - zMean) * (z[i] - zMean);
        szu += (z[i] - zMean) * (u[i] - uMean);
    }
    if (!(szz > 0.0))
        return std::nullopt;
    return szu / szz;
}

std::optional<Trench> TrenchMetrics::measure(const Section &s, const TrenchRequest &request, QString *error)
{
    auto refuse = [error](const QString &why) -> std::optional<Trench> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString u = axisName(s.uAxis);
    if (!s.isVertical())
        return refuse(QStringLiteral("A section across z is horizontal: trenches are measured on a section across x or y."));
    if (s.width == 0 || s.height == 0 || s.isEmpty())
        return refuse(QStringLiteral("The section %1 = %2 µm holds no material.").arg(axisName(s.normal), text(s.at)));

    double from = request.from.value_or(s.uOrigin);
    double to = request.to.value_or(s.uEnd());
    if (!std::isfinite(from) || !std::isfinite(to))
        return refuse(QStringLiteral("The trench range must be two numbers in µm."));
    if (from > to)
        std::swap(from, to);
    // Columns whose centres lie in the range.
    const double firstCentre = std::ceil((from - s.uOrigin) / s.uCell - 0.5);
    const double lastCentre = std::floor((to - s.uOrigin) / s.uCell - 0.5);
    const double lo = std::max(0.0, firstCentre);
    const double hi = std::min(double(s.width) - 1.0, lastCentre);
    if (hi - lo + 1.0 < 3.0)
        return refuse(QStringLiteral("The range %1 %2 to %3 µm holds fewer than three columns of the section, "
                                     "which spans %1 %4 to %5 µm.")
                          .arg(u, text(from), text(to), text(s.uOrigin), text(s.uEnd())));
    const std::uint32_t first = std::uint32_t(lo);
    const std::uint32_t last = std::uint32_t(hi);

    // Surface rows: the row above each column's highest non-empty cell.
    std::vector<std::uint32_t> top(s.width, 0);
    for (std::uint32_t c = first; c <= last; ++c) {
        for (std::uint32_t v = s.height; v-- > 0;) {
            if (s.id(c, v) != 0) {
                top[c] = v + 1;
                break;
            }
        }
    }
    const auto lowest = std::min_element(top.begin() + first, top.begin() + last + 1);
    const std::uint32_t floorRow = *lowest;
    const std::uint32_t floorBegin = std::uint32_t(lowest - top.begin());
    std::uint32_t floorEnd = floorBegin;
    while (floorEnd < last && top[floorEnd + 1] == floorRow)
        ++floorEnd;
    const std::uint32_t centre = floorBegin + (floorEnd - floorBegin) / 2;
    const QString range = QStringLiteral("%1 %2 to %3 µm").arg(u, text(s.uEdge(first)), text(s.uEdge(last + 1)));
    if (floorRow >= s.height)
        return refuse(QStringLiteral("No trench between %1: the section is filled to its top there.").arg(range));

    // The trench rows, bottom up, while material closes the run on both sides.
    std::vector<Run> runs;
    for (std::uint32_t v = floorRow; v < s.height; ++v) {
        const Run run = emptyRun(s, v, centre, first, last);
        if (!run.closedLeft || !run.closedRight)
            break;
        runs.push_back(run);
    }
    if (runs.empty())
        return refuse(QStringLiteral("No trench between %1: the lowest surface there is not closed by higher "
                                     "ground on both sides inside the range.").arg(range));

    Trench t;
    t.from = s.uEdge(first);
    t.to = s.uEdge(last + 1);
    t.bottom = s.vEdge(floorRow);
    t.centre = 0.5 * (s.uEdge(floorBegin) + s.uEdge(floorEnd + 1));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::uint32_t v = floorRow + std::uint32_t(i);
        t.rows.push_back(Trench::Row{s.vEdge(v), s.vEdge(v + 1), s.uEdge(runs[i].left), s.uEdge(runs[i].right + 1)});
    }

    // The surface beside the trench: the mean height of a band half as wide
    // as the opening on either side of it.
    const Run &opening = runs.back();
    const std::uint32_t band = std::max<std::uint32_t>(1, (opening.right - opening.left + 2) / 2);
    double sum = 0.0;
    int columns = 0;
    for (std::uint32_t c = opening.left > first + band ? opening.left - band : first; c < opening.left; ++c, ++columns)
        sum += s.vEdge(top[c]);
    for (std::uint32_t c = opening.right + 1; c <= std::min(last, opening.right + band); ++c, ++columns)
        sum += s.vEdge(top[c]);
    t.surface = sum / columns;
    t.depth = t.surface - t.bottom;

    t.topWidth = t.rows.back().width();
    t.bottomWidth = t.rows.front().width();
    for (const Trench::Row &row : t.rows)
        t.widest = std::max(t.widest, row.width());
    t.bowing = t.widest - t.topWidth;
    if (request.widthHeight)
        t.widthAtHeight = t.widthAt(*request.widthHeight);

    // Each wall is a least-squares line u(z) through its faces in the rows
    // whose middles lie between 10 % and 90 % of the depth.
    std::vector<double> z;
    std::vector<double> leftU;
    std::vector<double> rightU;
    for (const Trench::Row &row : t.rows) {
        const double middle = 0.5 * (row.bottom + row.top);
        if (middle < t.bottom + fitLow * t.depth || middle > t.bottom + fitHigh * t.depth)
            continue;
        z.push_back(middle);
        leftU.push_back(row.left);
        rightU.push_back(row.right);
    }
    if (const std::optional<double> slope = fitSlope(z, leftU))
        t.angleLeft = degrees(std::atan2(1.0, -*slope));
    if (const std::optional<double> slope = fitSlope(z, rightU))
        t.angleRight = degrees(std::atan2(1.0, *slope));

    if (request.mask) {
        t.undercutLeft = undercutOf(s, runs, floorRow, *request.mask, true);
        t.undercutRight = undercutOf(s, runs, floorRow, *request.mask, false);
        if (t.undercutLeft && t.undercutRight)
            t.undercut = 0.5 * (*t.undercutLeft + *t.undercutRight);
        else if (t.undercutLeft || t.undercutRight)
            t.undercut = t.undercutLeft ? t.undercutLeft : t.undercutRight;
    }
    return t;
}

QJsonObject TrenchMetrics::toJson(const Trench &t)
{
    QJsonObject o;
    o.insert(QStringLiteral("depth"), t.depth);
    o.insert(QStringLiteral("top_width"), t.topWidth);
    o.insert(QStringLiteral("bottom_width"), t.bottomWidth);
    o.insert(QStringLiteral("angle_left"), json(t.angleLeft));
    o.insert(QStringLiteral("angle_right"), json(t.angleRight));
    o.insert(QStringLiteral("bowing"), t.bowing);
    o.insert(QStringLiteral("undercut"), json(t.undercut));
    o.insert(QStringLiteral("surface"), t.surface);
    o.insert(QStringLiteral("bottom"), t.bottom);
    o.insert(QStringLiteral("widest"), t.widest);
    o.insert(QStringLiteral("width_at"), json(t.widthAtHeight));
    o.insert(QStringLiteral("undercut_left"), json(t.undercutLeft));
    o.insert(QStringLiteral("undercut_right"), json(t.undercutRight));
    o.insert(QStringLiteral("from"), t.from);
    o.insert(QStringLiteral("to"), t.to);
    return o;
}

} // namespace Metrology
} // namespace Model

#include "ViewGrid.h"

#include <cmath>

namespace Ui {

namespace {

double snapCoordinate(double value, double s)
{
    const double upper = std::ceil(value / s) * s;
    const double lower = std::floor(value / s) * s;
    return (upper - value) > (value - lower) ? lower : upper;
}

} // namespace

bool ViewGrid::setSpacing(double spacing)
{
    if (!(spacing > 0.0) || !std::isfinite(spacing))
        return false;
    gridSpacing = spacing;
    return true;
}

void ViewGrid::setExtent(double x0, double y0, double x1, double y1)
{
    minX = x0;
    minY = y0;
    maxX = x1;
    maxY = y1;
}

void ViewGrid::shift(double dx, double dy)
{
    minX += dx;
    maxX += dx;
    minY += dy;
    maxY += dy;
}

Util::Vector3D ViewGrid::snap(const Util::Vector3D &point) const
{
    return Util::Vector3D(snapCoordinate(point.x, gridSpacing),
                          snapCoordinate(point.y, gridSpacing), z);
}

std::vector<ViewGrid::Line> ViewGrid::lines() const
{
    const double s = gridSpacing;
    const double countX = std::ceil((maxX - minX) / s);
    const double countY = std::ceil((maxY - minY) / s);
    if (!(countX >= 0.0 && countX <= maxLinesPerAxis && countY >= 0.0 && countY <= maxLinesPerAxis))
        return {};
    const int nx = int(countX);
    const int ny = int(countY);
    const double x0 = std::floor(minX / s) * s;
    const double y0 = std::floor(minY / s) * s;
    const double x1 = std::ceil(maxX / s) * s;
    const double y1 = std::ceil(maxY / s) * s;

    std::vector<Line> result;
    result.reserve(std::size_t(nx) + std::size_t(ny) + 2);
    for (int i = 0; i <= nx; ++i)
        result.push_back({x0 + i * s, y0, x0 + i * s, y1});
    for (int j = 0; j <= ny; ++j)
        result.push_back({x0, y0 + j * s, x1, y0 + j * s});
    return result;
}

} // namespace Ui

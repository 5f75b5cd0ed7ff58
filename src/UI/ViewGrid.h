#pragma once

#include "Util/Vector3D.h"

#include <vector>

namespace Ui {

// The ground grid of the view: the part of the plane z = height that is
// visible in the top view, its line spacing, and snapping to its lines.
class ViewGrid
{
public:
    struct Line
    {
        double x0, y0, x1, y1;
    };

    // Above this many lines along one axis the lines would be closer than a
    // pixel; the grid is then not drawn rather than stalling every frame.
    static constexpr int maxLinesPerAxis = 10000;

    double spacing() const { return gridSpacing; }
    // Only a positive, finite spacing is taken; anything else keeps the
    // previous one (drawing and snapping divide by it). True when taken.
    bool setSpacing(double spacing);

    double height() const { return z; }
    double xMin() const { return minX; }
    double yMin() const { return minY; }
    double xMax() const { return maxX; }
    double yMax() const { return maxY; }
    void setExtent(double xMin, double yMin, double xMax, double yMax);
    // Moves the extent by (dx, dy).
    void shift(double dx, double dy);

    // The nearest grid crossing in x and y (an exact tie goes to the upper
    // line), at the grid height.
    Util::Vector3D snap(const Util::Vector3D &point) const;

    // Lines at every multiple of the spacing covering the extent: first the
    // lines of constant x, then those of constant y. Empty when the grid is
    // too dense to draw.
    std::vector<Line> lines() const;

private:
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
    double z = 0.0;
    double gridSpacing = 10.0;
};

} // namespace Ui

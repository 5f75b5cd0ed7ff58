#pragma once

#include <QMutex>

#include <array>
#include <vector>

namespace Model {
namespace Automaton {

struct CellRange;

// The six clipping planes (a, b, c, d) of a painter's visible range, shared
// by reference with whoever clips against them from other threads (the
// atomic renderer's build tasks); every call holds the list's own mutex.
class ClipPlaneList
{
public:
    using Plane = std::array<float, 4>;

    // (-1,0,0,lower.x) (1,0,0,-upper.x) (0,-1,0,lower.y) (0,1,0,-upper.y)
    // (0,0,-1,lower.z) (0,0,1,-upper.z), in cells (not scaled by cell size).
    static std::vector<Plane> fromRange(const CellRange &range);

    void replace(const std::vector<Plane> &planes);
    std::vector<Plane> planes() const;
    bool isEmpty() const;

    // With no planes every point passes; otherwise a point passes when
    // a*x + b*y + c*z + d < 1e-6 for every plane.
    bool passes(double x, double y, double z) const;

private:
    mutable QMutex mutex;
    std::vector<Plane> list;
};

} // namespace Automaton
} // namespace Model

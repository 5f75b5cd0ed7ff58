#include "ClipPlaneList.h"

#include "CellRange.h"

#include <QMutexLocker>

namespace Model {
namespace Automaton {

std::vector<ClipPlaneList::Plane> ClipPlaneList::fromRange(const CellRange &r)
{
    return {
        Plane{-1.0f, 0.0f, 0.0f, float(r.lower[0])}, Plane{1.0f, 0.0f, 0.0f, -float(r.upper[0])},
        Plane{0.0f, -1.0f, 0.0f, float(r.lower[1])}, Plane{0.0f, 1.0f, 0.0f, -float(r.upper[1])},
        Plane{0.0f, 0.0f, -1.0f, float(r.lower[2])}, Plane{0.0f, 0.0f, 1.0f, -float(r.upper[2])},
    };
}

void ClipPlaneList::replace(const std::vector<Plane> &planes)
{
    QMutexLocker locker(&mutex);
    list = planes;
}

std::vector<ClipPlaneList::Plane> ClipPlaneList::planes() const
{
    QMutexLocker locker(&mutex);
    return list;
}

bool ClipPlaneList::isEmpty() const
{
    QMutexLocker locker(&mutex);
    return list.empty();
}

bool ClipPlaneList::passes(double x, double y, double z) const
{
    QMutexLocker locker(&mutex);
    for (const Plane &p : list) {
        if (p[0] * x + p[1] * y + p[2] * z + p[3] >= 1e-6)
            return false;
    }
    return true;
}

} // namespace Automaton
} // namespace Model

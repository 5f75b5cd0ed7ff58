#include "Section.h"

#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/FloatText.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <set>

namespace Model {
namespace Metrology {

namespace {

using Automaton::TotalVolume;

std::uint32_t cellCount(TotalVolume &volume, Axis axis)
{
    switch (axis) {
    case Axis::X: return volume.getSizeX();
    case Axis::Y: return volume.getSizeY();
    case Axis::Z: return volume.getSizeZ();
    }
    return 0;
}

double cellSize(TotalVolume &volume, Axis axis)
{
    switch (axis) {
    case Axis::X: return volume.getCellSizeX();
    case Axis::Y: return volume.getCellSizeY();
    case Axis::Z: return volume.getCellSizeZ();
    }
    return 1.0;
}

double origin(TotalVolume &volume, Axis axis)
{
    const Util::Vector3D p = volume.getPosition();
    switch (axis) {
    case Axis::X: return p.x;
    case Axis::Y: return p.y;
    case Axis::Z: return p.z;
    }
    return 0.0;
}

} // namespace

QString axisName(Axis axis)
{
    switch (axis) {
    case Axis::X: return QStringLiteral("x");
    case Axis::Y: return QStringLiteral("y");
    case Axis::Z: return QStringLiteral("z");
    }
    return QString();
}

bool axisFromText(const QString &text, Axis *axis)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("x"))
        *axis = Axis::X;
    else if (t == QLatin1String("y"))
        *axis = Axis::Y;
    else if (t == QLatin1String("z"))
        *axis = Axis::Z;
    else
        return false;
    return true;
}

bool Section::isEmpty() const
{
    return std::all_of(ids.begin(), ids.end(), [](std::uint32_t id) { return id == 0; });
}

bool Section::cellAt(double u, double v, std::uint32_t *cu, std::uint32_t *cv) const
{
    if (width == 0 || height == 0 || !(u >= uOrigin && u <= uEnd() && v >= vOrigin && v <= vEnd()))
        return false;
    *cu = std::min(width - 1, std::uint32_t(std::floor((u - uOrigin) / uCell)));
    *cv = std::min(height - 1, std::uint32_t(std::floor((v - vOrigin) / vCell)));
    return true;
}

std::vector<std::uint32_t> Section::materials() const
{
    std::set<std::uint32_t> found;
    std::uint32_t last = 0;
    for (const std::uint32_t id : ids) {
        if (id != 0 && id != last)
            found.insert(id);
        last = id;
    }
    return std::vector<std::uint32_t>(found.begin(), found.end());
}

void SectionCut::span(TotalVolume &volume, Axis axis, double *low, double *high)
{
    *low = origin(volume, axis);
    *high = *low + double(cellCount(volume, axis)) * cellSize(volume, axis);
}

bool SectionCut::fits(Axis axis, double at, double low, double high, QString *error)
{
    if (std::isfinite(at) && at >= low && at <= high)
        return true;
    if (error)
        *error = QStringLiteral("%1 = %2 µm lies outside the volume, which spans %1 from %3 to %4 µm.")
                     .arg(axisName(axis), Util::floatText(float(at)), Util::floatText(float(low)),
                          Util::floatText(float(high)));
    return false;
}

std::optional<Section> SectionCut::take(TotalVolume &volume, Axis normal, double at, QString *error,
                                        int threadCount)
{
    double low = 0.0;
    double high = 0.0;
    span(volume, normal, &low, &high);
    const std::uint32_t layers = cellCount(volume, normal);
    if (!fits(normal, at, low, high, error))
        return std::nullopt;
    if (layers == 0) {
        if (error)
            *error = QStringLiteral("The volume has no cells along %1.").arg(axisName(normal));
        return std::nullopt;
    }
    const double step = cellSize(volume, normal);

    Section s;
    s.normal = normal;
    s.at = at;
    s.index = std::min(layers - 1, std::uint32_t(std::floor((at - low) / step)));
    s.planeLow = low + s.index * step;
    s.planeHigh = s.planeLow + step;
    s.uAxis = normal == Axis::X ? Axis::Y : Axis::X;
    s.vAxis = normal == Axis::Z ? Axis::Y : Axis::Z;
    s.width = cellCount(volume, s.uAxis);
    s.height = cellCount(volume, s.vAxis);
    s.uOrigin = origin(volume, s.uAxis);
    s.vOrigin = origin(volume, s.vAxis);
    s.uCell = cellSize(volume, s.uAxis);
    s.vCell = cellSize(volume, s.vAxis);
    try {
        s.ids.resize(std::size_t(s.width) * s.height);
    } catch (const std::bad_alloc &) {
        if (error)
            *error = QStringLiteral("A section of %1 x %2 cells does not fit in memory.").arg(s.width).arg(s.height);
        return std::nullopt;
    }

    const std::uint32_t ny = volume.getSizeY();
    const std::uint32_t nz = volume.getSizeZ();
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    const Automaton::Voxel *cells = lock.cells();
    std::uint32_t *out = s.ids.data();
    const std::uint32_t width = s.width;
    const std::uint32_t index = s.index;
    // Every grid column u is written by the slab that holds it, so the slabs
    // share no output and the grid never depends on the thread count.
    auto gather = [&](std::uint32_t begin, std::uint32_t end) {
        for (std::uint32_t u = begin; u < end; ++u) {
            if (normal == Axis::X) { // u = y, v = z: one contiguous column
                const Automaton::Voxel *column = cells + (std::size_t(index) * ny + u) * nz;
                for (std::uint32_t v = 0; v < nz; ++v)
                    out[std::size_t(v) * width + u] = column[v].material;
            } else if (normal == Axis::Y) { // u = x, v = z
                const Automaton::Voxel *column = cells + (std::size_t(u) * ny + index) * nz;
                for (std::uint32_t v = 0; v < nz; ++v)
                    out[std::size_t(v) * width + u] = column[v].material;
            } else { // u = x, v = y, one cell of every column
                const Automaton::Voxel *plane = cells + std::size_t(u) * ny * nz + index;
                for (std::uint32_t v = 0; v < ny; ++v)
                    out[std::size_t(v) * width + u] = plane[std::size_t(v) * nz].material;
            }
        }
    };
    const int threads = threadCount > 0 ? threadCount : Automaton::SlabSplit::poolThreadCount();
    const std::vector<Automaton::SlabSplit::Slab> slabs = Automaton::SlabSplit::split(0, width, threads);
    if (slabs.size() < 2)
        gather(0, width);
    else
        Automaton::SlabSplit::run(slabs, [&](std::size_t, Automaton::SlabSplit::Slab slab) {
            gather(slab.begin, slab.end);
        });
    return s;
}

} // namespace Metrology
} // namespace Model

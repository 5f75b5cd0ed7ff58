#include "ColumnStack.h"

#include "Section.h"

#include "Model/Automaton/TotalVolume.h"
#include "Util/FloatText.h"

#include <algorithm>
#include <cmath>

namespace Model {
namespace Metrology {

namespace {

// The cell index of world coordinate c along an axis, the far face counted
// as inside; false outside.
bool cellIndex(double c, double low, double high, double cell, std::uint32_t count, std::uint32_t *index)
{
    if (!std::isfinite(c) || c < low || c > high || count == 0)
        return false;
    *index = std::min(count - 1, std::uint32_t(std::floor((c - low) / cell)));
    return true;
}

} // namespace

std::optional<std::vector<StackLayer>> ColumnStack::at(Automaton::TotalVolume &volume, double x, double y,
                                                       QString *error)
{
    double x0 = 0.0, x1 = 0.0, y0 = 0.0, y1 = 0.0;
    SectionCut::span(volume, Axis::X, &x0, &x1);
    SectionCut::span(volume, Axis::Y, &y0, &y1);
    std::uint32_t i = 0;
    std::uint32_t j = 0;
    if (!cellIndex(x, x0, x1, volume.getCellSizeX(), volume.getSizeX(), &i)
        || !cellIndex(y, y0, y1, volume.getCellSizeY(), volume.getSizeY(), &j)) {
        if (error)
            *error = QStringLiteral("(x %1, y %2) µm lies outside the volume, which spans x %3 to %4 and y %5 to %6 µm.")
                         .arg(Util::floatText(float(x)), Util::floatText(float(y)), Util::floatText(float(x0)),
                              Util::floatText(float(x1)), Util::floatText(float(y0)), Util::floatText(float(y1)));
        return std::nullopt;
    }
    const std::uint32_t nz = volume.getSizeZ();
    std::vector<std::uint32_t> column(nz);
    {
        const Automaton::TotalVolume::CellsLock lock(volume, Automaton::TotalVolume::CellsLock::Read);
        const Automaton::Voxel *cells = lock.cells() + volume.index(i, j, 0);
        for (std::uint32_t z = 0; z < nz; ++z)
            column[z] = cells[z].material;
    }
    double z0 = 0.0, z1 = 0.0;
    SectionCut::span(volume, Axis::Z, &z0, &z1);
    return SurfaceProfile::runsFromTop(column.data(), 1, nz, z0, volume.getCellSizeZ());
}

} // namespace Metrology
} // namespace Model

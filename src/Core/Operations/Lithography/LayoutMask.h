#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"

#include <QString>

#include <vector>

namespace Core {
namespace Operations {

// Masks drawn as GDSII layouts. The polygons of one layer are rasterised at
// cell centres: mask cell (i, j) is opaque when the point ((i + 0.5) s,
// (j + 0.5) s) lies inside a polygon of the layer, s being the size of one
// cell in layout (user) units. The layout origin sits at the volume's
// lower-left corner; the mask reaches to the layout's extent over all layers
// (rounded up to whole cells), so a layer with holes near the die edge keeps
// them transparent inside the layout's area.
class LayoutMask
{
public:
    // At most this many cells per mask side and in all.
    static constexpr std::uint32_t maximumSide = 65536;
    static constexpr std::size_t maximumCells = std::size_t(1) << 28;

    // True for file names that name a layout (*.gds, any case).
    static bool isLayoutFile(const QString &fileName);

    // Reads the layout through the system's GDSII library, once
    // GdsRecordValidator has accepted the file. A negative `layer` takes the
    // lowest layer that holds polygons. False, with the mask untouched and a
    // sentence for the user in `error`, for an unreadable or damaged file, a
    // layout that flattens into too many shapes, a layer without polygons, a
    // cell size that is not positive or a raster beyond the size limits.
    static bool load(const QString &fileName, int layer, double cellSize, LithographyMask &mask, QString &error);

    // One polygon: x0, y0, x1, y1, ... in layout units (closed implicitly).
    using Polygon = std::vector<double>;
    // The raster of `polygons` (even-odd inside each, united across them) on
    // width x height cells of size `cellSize`.
    static LithographyMask rasterise(const std::vector<Polygon> &polygons, double cellSize, std::uint32_t width,
                                     std::uint32_t height);
};

} // namespace Operations
} // namespace Core

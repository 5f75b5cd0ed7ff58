#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}

namespace Metrology {

// A world axis; a section is named by the axis its plane is normal to.
enum class Axis { X = 0, Y = 1, Z = 2 };

// "x", "y" or "z".
QString axisName(Axis axis);
// Reads "x", "y" or "z" (either case); false for anything else.
bool axisFromText(const QString &text, Axis *axis);

// One plane of cells of a volume: the cells whose layer along `normal`
// contains the coordinate asked for, as a grid over the two other axes. In a
// vertical section (normal x or y) u runs along the remaining horizontal axis
// and v is the height z; in a horizontal one (normal z) u is x and v is y.
// Lengths are world micrometres: the volume's position plus cell indices
// times the cell sizes.
struct Section
{
    Axis normal = Axis::Y;
    double at = 0.0;            // the coordinate asked for
    std::uint32_t index = 0;    // the cell layer along `normal` holding it
    double planeLow = 0.0;      // that layer's faces along `normal`
    double planeHigh = 0.0;
    Axis uAxis = Axis::X;
    Axis vAxis = Axis::Z;
    std::uint32_t width = 0;    // cells along u
    std::uint32_t height = 0;   // cells along v
    double uOrigin = 0.0;       // the face of cell column 0 (its low side)
    double vOrigin = 0.0;       // the face of cell row 0 (its low side)
    double uCell = 1.0;
    double vCell = 1.0;
    // ids[v * width + u], row 0 at the bottom (lowest v).
    std::vector<std::uint32_t> ids;

    std::uint32_t id(std::uint32_t u, std::uint32_t v) const { return ids[std::size_t(v) * width + u]; }
    bool isVertical() const { return normal != Axis::Z; }
    bool isEmpty() const;

    double uEdge(std::uint32_t u) const { return uOrigin + u * uCell; }
    double vEdge(std::uint32_t v) const { return vOrigin + v * vCell; }
    double uEnd() const { return uEdge(width); }
    double vEnd() const { return vEdge(height); }

    // The cell holding the in-plane point (u, v) in µm, its far faces
    // included; false outside the section.
    bool cellAt(double u, double v, std::uint32_t *cu, std::uint32_t *cv) const;
    // The distinct non-empty ids, ascending.
    std::vector<std::uint32_t> materials() const;
};

// Takes sections out of a volume. The grid is read under the volume's cells
// lock; a section across x is one slab of the array, the others gather one
// run per x over x-slabs on the global pool.
class SectionCut
{
public:
    // The section through `at` µm along `normal`, or nothing with the reason
    // in `error` when `at` lies outside the volume (its far face counts as
    // inside) or the section does not fit in memory.
    static std::optional<Section> take(Automaton::TotalVolume &volume, Axis normal, double at,
                                       QString *error, int threadCount = 0);
    // The span of the volume along `axis` in world µm.
    static void span(Automaton::TotalVolume &volume, Axis axis, double *low, double *high);
    // Whether a section through `at` µm fits a volume spanning [low, high]
    // along `axis`; otherwise the sentence take() refuses it with, in `error`.
    // Lets a front end refuse a position before the volume exists.
    static bool fits(Axis axis, double at, double low, double high, QString *error);
};

} // namespace Metrology
} // namespace Model

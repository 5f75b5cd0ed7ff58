#pragma once

#include "Model/Automaton/Voxel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Core {
namespace Operations {

// View factors to the open sky: the share of a flux falling from above the
// volume with a cosine (Lambertian) distribution about the vertical that
// reaches a point without passing through a non-empty cell. An open flat
// surface gets 1; the floor of a deep, narrow slot little.
//
// Rays are cast backwards from the point, up along a fixed set of directions
// (a Hammersley point set of the unit disc lifted onto the hemisphere, which
// gives cosine-weighted directions of equal weight),
// through the cells by a 3-D digital differential analyser (Amanatides and
// Woo, Eurographics 1987). A ray is blocked by the first non-empty cell it
// enters and escapes once it climbs above the highest non-empty cell of the
// volume. The walk goes column by column: within one column the ray's cells
// are a run of heights, and only the part of the run below the column's
// highest non-empty cell is read (one contiguous stretch of ids), so a ray
// climbing an open slot costs one look per column it crosses, not one per
// layer. Sideways the volume repeats, as a die's pattern does: a ray leaving
// through a side face comes back through the opposite one.
//
// The directions are fixed and every point's value depends on that point
// alone, so results never depend on the number of threads.
class FluxEngine
{
public:
    static constexpr int defaultRayCount = 1024;

    struct Grid
    {
        const Model::Automaton::Voxel *cells = nullptr;
        std::uint32_t nx = 0;
        std::uint32_t ny = 0;
        std::uint32_t nz = 0;
        double cellX = 1.0;
        double cellY = 1.0;
        double cellZ = 1.0;
    };

    struct Point
    {
        double x;
        double y;
        double z;
    };

    // The grid's cells must stay unchanged while the engine is used.
    explicit FluxEngine(const Grid &grid, int rayCount = defaultRayCount);

    // The view factor of a point inside an empty cell, in µm from the
    // volume's lower corner.
    double viewFactor(const Point &point) const;

    // The view factors of empty cells given by index ((x * ny + y) * nz + z,
    // ascending), over x-slabs on the global pool (`threadCount` 0: the
    // pool's size). A cell's point is its centre, lowered onto the top face
    // of the cell under it when that one is not empty: where a floor receives
    // its flux.
    std::vector<float> viewFactors(const std::vector<std::size_t> &cells, int threadCount = 0) const;

    // The same view factor by the plain walk, one cell face at a time: what
    // the column walk must agree with.
    double viewFactorCellByCell(const Point &point) const;

    // The point viewFactors() uses for a cell.
    Point cellPoint(std::size_t index) const;

    int rayCount() const { return int(directions.size()); }
    // The top of the highest non-empty cell, in cells: rays above it escape.
    std::uint32_t skyLayer() const { return sky; }

private:
    struct Direction
    {
        double x;
        double y;
        double z;
    };

    bool escapes(const Point &start, const Direction &d) const;
    bool escapesCellByCell(const Point &start, const Direction &d) const;
    // The share of the directions along which `escape` finds the sky.
    double openShare(const Point &point, bool (FluxEngine::*escape)(const Point &, const Direction &) const) const;

    Grid grid;
    std::vector<Direction> directions;
    std::uint32_t sky = 0;
    // Per column (x * ny + y): the top of its highest non-empty cell, in cells.
    std::vector<std::uint32_t> columnTops;
};

} // namespace Operations
} // namespace Core

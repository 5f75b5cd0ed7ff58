#include "FluxEngine.h"

#include "Model/Automaton/SlabSplit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Core {
namespace Operations {

namespace {

// Van der Corput's radical inverse in base 2: the second coordinate of the
// Hammersley set.
double radicalInverse(std::uint32_t i)
{
    i = (i << 16u) | (i >> 16u);
    i = ((i & 0x55555555u) << 1u) | ((i & 0xAAAAAAAAu) >> 1u);
    i = ((i & 0x33333333u) << 2u) | ((i & 0xCCCCCCCCu) >> 2u);
    i = ((i & 0x0F0F0F0Fu) << 4u) | ((i & 0xF0F0F0F0u) >> 4u);
    i = ((i & 0x00FF00FFu) << 8u) | ((i & 0xFF00FF00u) >> 8u);
    return double(i) * (1.0 / 4294967296.0);
}

// The start of a walk along one axis, in cell units: the cell holding p,
// the ray parameter of the first face crossed, the parameter between two
// crossings and the direction of the steps (0 for a ray parallel to the axis).
void startAxis(double p, double v, std::int64_t &cell, double &next, double &delta, int &step)
{
    cell = std::int64_t(std::floor(p));
    if (v > 0.0) {
        step = 1;
        delta = 1.0 / v;
        next = (double(cell + 1) - p) * delta;
    } else if (v < 0.0) {
        step = -1;
        delta = -1.0 / v;
        next = (p - double(cell)) * delta;
    } else {
        step = 0;
        delta = std::numeric_limits<double>::infinity();
        next = std::numeric_limits<double>::infinity();
    }
}

} // namespace

FluxEngine::FluxEngine(const Grid &grid, int rayCount) : grid(grid)
{
    const int n = std::max(1, rayCount);
    directions.reserve(std::size_t(n));
    const double twoPi = 6.28318530717958647692;
    for (int i = 0; i < n; ++i) {
        // A uniform point of the unit disc, at radius sqrt(u), lifted onto the
        // hemisphere. With u stratified the share of rays inside a cone about
        // the vertical is exact to 1/(2n): a round opening of view factor F
        // is counted to within 1/(2nF) of its value.
        const double u = (i + 0.5) / n;
        const double phi = twoPi * radicalInverse(std::uint32_t(i));
        const double r = std::sqrt(u);
        directions.push_back(Direction{r * std::cos(phi), r * std::sin(phi), std::sqrt(std::max(0.0, 1.0 - u))});
    }
    // The sky begins above the highest non-empty cell.
    const std::size_t columns = std::size_t(grid.nx) * grid.ny;
    columnTops.assign(columns, 0);
    for (std::size_t c = 0; c < columns; ++c) {
        const Model::Automaton::Voxel *column = grid.cells + c * grid.nz;
        for (std::uint32_t z = grid.nz; z > 0; --z) {
            if (column[z - 1].material != 0) {
                columnTops[c] = z;
                break;
            }
        }
        sky = std::max(sky, columnTops[c]);
    }
}

bool FluxEngine::escapes(const Point &start, const Direction &d) const
{
    // In cell units the ray stays a straight line. It crosses the columns in
    // the order of its x and y face crossings; inside one column it covers
    // the heights from its entry to its exit.
    const double p[3] = {start.x / grid.cellX, start.y / grid.cellY, start.z / grid.cellZ};
    const double v[3] = {d.x / grid.cellX, d.y / grid.cellY, d.z / grid.cellZ};
    if (v[2] <= 0.0)
        return false;
    const std::int64_t size[2] = {grid.nx, grid.ny};
    std::int64_t cell[2];
    double next[2];
    double delta[2];
    int stepOf[2];
    for (int a = 0; a < 2; ++a) {
        startAxis(p[a], v[a], cell[a], next[a], delta[a], stepOf[a]);
        cell[a] = ((cell[a] % size[a]) + size[a]) % size[a];
    }
    const double skyHeight = double(sky);
    // The start cell itself is not looked at: the point lies in an empty cell.
    std::int64_t from = std::int64_t(std::floor(p[2])) + 1;
    while (true) {
        const double leave = std::min(next[0], next[1]);
        const double exitHeight = p[2] + v[2] * leave; // infinite for a vertical ray
        const std::size_t column = std::size_t(cell[0]) * grid.ny + std::size_t(cell[1]);
        const std::int64_t top = columnTops[column];
        // The cells [from, ceil(exit)) of this column, those below its top.
        std::int64_t to = top;
        if (exitHeight < double(top))
            to = std::int64_t(std::ceil(exitHeight));
        if (from < to) {
            const Model::Automaton::Voxel *c = grid.cells + column * grid.nz;
            for (std::int64_t z = std::max<std::int64_t>(from, 0); z < to; ++z) {
                if (c[z].material != 0)
                    return false;
            }
        }
        if (exitHeight >= skyHeight)
            return true;
        const int a = next[0] < next[1] ? 0 : 1;
        cell[a] += stepOf[a];
        if (cell[a] < 0)
            cell[a] += size[a];
        else if (cell[a] >= size[a])
            cell[a] -= size[a];
        from = std::int64_t(std::floor(exitHeight));
        next[a] += delta[a];
    }
}

bool FluxEngine::escapesCellByCell(const Point &start, const Direction &d) const
{
    // In cell units the ray stays a straight line; one step crosses one face.
    const double p[3] = {start.x / grid.cellX, start.y / grid.cellY, start.z / grid.cellZ};
    const double v[3] = {d.x / grid.cellX, d.y / grid.cellY, d.z / grid.cellZ};
    const std::int64_t size[3] = {grid.nx, grid.ny, grid.nz};
    std::int64_t cell[3];
    double next[3];
    double delta[3];
    int stepOf[3];
    for (int a = 0; a < 3; ++a)
        startAxis(p[a], v[a], cell[a], next[a], delta[a], stepOf[a]);
    cell[0] = ((cell[0] % size[0]) + size[0]) % size[0];
    cell[1] = ((cell[1] % size[1]) + size[1]) % size[1];
    if (v[2] <= 0.0)
        return false;
    while (true) {
        const int a = next[0] < next[1] ? (next[0] < next[2] ? 0 : 2) : (next[1] < next[2] ? 1 : 2);
        cell[a] += stepOf[a];
        next[a] += delta[a];
        if (a == 2) {
            if (cell[2] >= std::int64_t(sky))
                return true;
        } else if (cell[a] < 0) {
            cell[a] += size[a];
        } else if (cell[a] >= size[a]) {
            cell[a] -= size[a];
        }
        if (cell[2] < 0)
            return false;
        const std::size_t index = (std::size_t(cell[0]) * grid.ny + std::size_t(cell[1])) * grid.nz + std::size_t(cell[2]);
        if (grid.cells[index].material != 0)
            return false;
    }
}

double FluxEngine::openShare(const Point &point, bool (FluxEngine::*escape)(const Point &, const Direction &) const) const
{
    if (point.z >= sky * grid.cellZ)
        return 1.0;
    std::size_t open = 0;
    for (const Direction &d : directions)
        open += (this->*escape)(point, d);
    return double(open) / double(directions.size());
}

double FluxEngine::viewFactor(const Point &point) const
{
    return openShare(point, &FluxEngine::escapes);
}

double FluxEngine::viewFactorCellByCell(const Point &point) const
{
    return openShare(point, &FluxEngine::escapesCellByCell);
}

FluxEngine::Point FluxEngine::cellPoint(std::size_t index) const
{
    const std::uint32_t z = std::uint32_t(index % grid.nz);
    const std::size_t column = index / grid.nz;
    const std::uint32_t y = std::uint32_t(column % grid.ny);
    const std::uint32_t x = std::uint32_t(column / grid.ny);
    Point p{(x + 0.5) * grid.cellX, (y + 0.5) * grid.cellY, (z + 0.5) * grid.cellZ};
    // A point exactly on the face would count the floor's own cell as the
    // first one every ray enters; a hair above it does not.
    if (z > 0 && grid.cells[index - 1].material != 0)
        p.z = z * grid.cellZ + 1e-6 * grid.cellZ;
    return p;
}

std::vector<float> FluxEngine::viewFactors(const std::vector<std::size_t> &cells, int threadCount) const
{
    std::vector<float> out(cells.size());
    auto work = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            out[i] = float(viewFactor(cellPoint(cells[i])));
    };
    const int threads = threadCount > 0 ? threadCount : Model::Automaton::SlabSplit::poolThreadCount();
    const auto slabs = Model::Automaton::SlabSplit::split(0, grid.nx, threads);
    if (slabs.size() < 2) {
        work(0, cells.size());
        return out;
    }
    // The cells of each x-slab form one run of the ascending list.
    const std::size_t columnCells = std::size_t(grid.ny) * grid.nz;
    Model::Automaton::SlabSplit::run(slabs, [&](std::size_t, Model::Automaton::SlabSplit::Slab slab) {
        const auto begin = std::lower_bound(cells.begin(), cells.end(), std::size_t(slab.begin) * columnCells);
        const auto end = std::lower_bound(cells.begin(), cells.end(), std::size_t(slab.end) * columnCells);
        work(std::size_t(begin - cells.begin()), std::size_t(end - cells.begin()));
    });
    return out;
}

} // namespace Operations
} // namespace Core

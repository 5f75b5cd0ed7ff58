#pragma once

// Grids for reference tests, and a brute-force surface front: every step
// visits every cell of the volume (no fronts, no strips) and takes the
// shortest offset a face neighbour offers, within the cell's limit, from the
// previous step's offsets.

#include "Model/Automaton/TotalVolume.h"

#include <QRandomGenerator>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace TestSupport {

struct ReferenceCell
{
    bool fixed = true;
    float v[3] = {0.0f, 0.0f, 0.0f};
    bool reached = false; // improved at least once
    float lengthSquared() const { return v[0] * v[0] + v[1] * v[1] + v[2] * v[2]; }
};

struct ReferenceGrid
{
    std::uint32_t nx, ny, nz;
    float cx, cy, cz;
    std::vector<std::uint32_t> ids;
    std::size_t index(std::uint32_t x, std::uint32_t y, std::uint32_t z) const
    {
        return (std::size_t(x) * ny + y) * nz + z;
    }
    bool inside(int x, int y, int z) const
    {
        return x >= 0 && y >= 0 && z >= 0 && x < int(nx) && y < int(ny) && z < int(nz);
    }
    template <class F>
    void forEach(F f) const
    {
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y)
                for (std::uint32_t z = 0; z < nz; ++z)
                    f(x, y, z, index(x, y, z));
    }
    // The ids with id = f(x, y, z, id) applied cell by cell.
    template <class F>
    std::vector<std::uint32_t> mapped(F f) const
    {
        std::vector<std::uint32_t> out = ids;
        forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) { out[i] = f(x, y, z, ids[i]); });
        return out;
    }
    // Face neighbour k (z-, z+, y-, y+, x-, x+) of (x, y, z); false outside.
    bool neighbour(std::uint32_t x, std::uint32_t y, std::uint32_t z, int k, std::size_t &n) const
    {
        const int d[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
        const int a = int(x) + d[k][0], b = int(y) + d[k][1], c = int(z) + d[k][2];
        if (!inside(a, b, c))
            return false;
        n = index(std::uint32_t(a), std::uint32_t(b), std::uint32_t(c));
        return true;
    }
};

// Steps the distance needs: enough face steps to cross a body diagonal of
// the distance, ceil(sqrt 3 * distance / smallest cell) + 1.
inline std::uint64_t referenceSteps(float distance, const ReferenceGrid &grid)
{
    const float smallest = std::min(grid.cx, std::min(grid.cy, grid.cz));
    if (!(distance > 0.0f))
        return 0;
    return std::uint64_t(std::ceil(std::sqrt(3.0) * double(distance) / double(smallest)) + 1.0);
}

using FaceSteps = std::array<std::array<float, 3>, 6>;

// The offset a cell takes over from face neighbour k, plain cell steps.
inline FaceSteps cellSteps(const ReferenceGrid &grid)
{
    return {{{0, 0, -grid.cz}, {0, 0, grid.cz}, {0, -grid.cy, 0}, {0, grid.cy, 0}, {-grid.cx, 0, 0}, {grid.cx, 0, 0}}};
}

// Runs `steps` Jacobi steps. `takesPart(i)` and `limitSquared(i)` decide for a
// cell that is not fixed; `step[k]` is added to face neighbour k's offset.
inline void referenceFront(const ReferenceGrid &grid, std::vector<ReferenceCell> &cells, std::uint64_t steps,
                           const std::function<bool(std::size_t)> &takesPart,
                           const std::function<float(std::size_t)> &limitSquared, const FaceSteps &step)
{
    for (std::uint64_t s = 0; s < steps; ++s) {
        std::vector<ReferenceCell> next = cells;
        grid.forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) {
            if (cells[i].fixed || !takesPart(i))
                return;
            float best = cells[i].lengthSquared();
            const float limit = limitSquared(i);
            for (int k = 0; k < 6; ++k) {
                std::size_t n;
                if (!grid.neighbour(x, y, z, k, n))
                    continue;
                const float a = cells[n].v[0] + step[k][0], b = cells[n].v[1] + step[k][1],
                            c = cells[n].v[2] + step[k][2];
                const float length = a * a + b * b + c * c;
                if (length < best && length <= limit) {
                    best = length;
                    next[i].v[0] = a;
                    next[i].v[1] = b;
                    next[i].v[2] = c;
                    next[i].reached = true;
                }
            }
        });
        cells.swap(next);
    }
}

// A random volume of the given materials, more empty cells towards the top.
inline ReferenceGrid randomGrid(std::uint32_t seed, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, float cx,
                                float cy, float cz, const std::vector<std::uint32_t> &solids)
{
    std::mt19937 random(seed);
    ReferenceGrid grid{nx, ny, nz, cx, cy, cz, std::vector<std::uint32_t>(std::size_t(nx) * ny * nz, 0)};
    grid.forEach([&](std::uint32_t, std::uint32_t, std::uint32_t z, std::size_t i) {
        if (std::uniform_real_distribution<double>(0, 1)(random) > double(z + 1) / (nz + 1))
            grid.ids[i] = solids[random() % solids.size()];
    });
    return grid;
}

// A grid whose cells are f(x, y, z, 0).
template <class F>
ReferenceGrid shaped(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, F f, float cx = 1, float cy = 1,
                     float cz = 1)
{
    ReferenceGrid g{nx, ny, nz, cx, cy, cz, std::vector<std::uint32_t>(std::size_t(nx) * ny * nz, 0)};
    g.ids = g.mapped(f);
    return g;
}

// A floor of `floorHeight` layers of material 1, then cells of materials 1..3
// scattered above it with the given density.
inline ReferenceGrid floorGrid(quint32 seed, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, double density,
                               std::uint32_t floorHeight = 2, float cx = 1, float cy = 1, float cz = 1)
{
    QRandomGenerator random(seed);
    return shaped(
        nx, ny, nz,
        [&](std::uint32_t, std::uint32_t, std::uint32_t z, std::uint32_t) {
            return z < floorHeight ? 1u : random.generateDouble() < density ? 1 + random.bounded(3u) : 0u;
        },
        cx, cy, cz);
}

inline std::shared_ptr<Model::Automaton::TotalVolume> volumeOf(const ReferenceGrid &grid)
{
    return std::make_shared<Model::Automaton::TotalVolume>(grid.nx, grid.ny, grid.nz, grid.cx, grid.cy, grid.cz,
                                                           Util::Vector3D(), grid.ids);
}

} // namespace TestSupport

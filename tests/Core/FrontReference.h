#pragma once

// A brute-force surface front for reference tests: every step visits every
// cell of the volume (no fronts, no strips) and takes the shortest offset a
// face neighbour offers, within the cell's limit, from the previous step's
// offsets.

#include <cmath>
#include <cstdint>
#include <functional>
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
    // Face neighbour k (z-, z+, y-, y+, x-, x+) of (x, y, z); false outside.
    bool neighbour(std::uint32_t x, std::uint32_t y, std::uint32_t z, int k, std::size_t &n) const
    {
        const int d[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
        const long long a = static_cast<long long>(x) + d[k][0], b = static_cast<long long>(y) + d[k][1],
                        c = static_cast<long long>(z) + d[k][2];
        if (a < 0 || b < 0 || c < 0 || a >= nx || b >= ny || c >= nz)
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

// Runs `steps` Jacobi steps. `takesPart(i)` and `limitSquared(i)` decide for a
// cell that is not fixed.
inline void referenceFront(const ReferenceGrid &grid, std::vector<ReferenceCell> &cells, std::uint64_t steps,
                           const std::function<bool(std::size_t)> &takesPart,
                           const std::function<float(std::size_t)> &limitSquared)
{
    const float step[6][3] = {{0, 0, -grid.cz}, {0, 0, grid.cz}, {0, -grid.cy, 0},
                              {0, grid.cy, 0},  {-grid.cx, 0, 0}, {grid.cx, 0, 0}};
    for (std::uint64_t s = 0; s < steps; ++s) {
        std::vector<ReferenceCell> next = cells;
        for (std::uint32_t x = 0; x < grid.nx; ++x)
            for (std::uint32_t y = 0; y < grid.ny; ++y)
                for (std::uint32_t z = 0; z < grid.nz; ++z) {
                    const std::size_t i = grid.index(x, y, z);
                    if (cells[i].fixed || !takesPart(i))
                        continue;
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
                }
        cells.swap(next);
    }
}

// A random volume of the given materials, more empty cells towards the top.
inline ReferenceGrid randomGrid(std::uint32_t seed, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, float cx,
                                float cy, float cz, const std::vector<std::uint32_t> &solids)
{
    std::mt19937 random(seed);
    ReferenceGrid grid{nx, ny, nz, cx, cy, cz, std::vector<std::uint32_t>(std::size_t(nx) * ny * nz, 0)};
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z) {
                const bool solid = std::uniform_real_distribution<double>(0, 1)(random) > double(z + 1) / (nz + 1);
                if (solid)
                    grid.ids[grid.index(x, y, z)] = solids[random() % solids.size()];
            }
    return grid;
}

} // namespace TestSupport

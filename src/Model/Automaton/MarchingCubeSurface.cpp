#include "MarchingCubeSurface.h"

#include "MarchingCubeTables.h"
#include "SlabSplit.h"
#include "TotalVolume.h"
#include "Util/IProgress.h"
#include "Util/Logging.h"
#include "Voxel.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <cmath>
#include <limits>

namespace Model {
namespace Automaton {

namespace {

// One slab's triangles and, for every vertex, the whole cell corner it
// rounds to (the smoothing key). Kept in fixed-size blocks, so the lists grow
// without copying what they hold; the join copies every triangle once.
struct SlabResult
{
    static constexpr std::size_t blockSize = 8192;

    struct Block
    {
        std::vector<Triangle> triangles;
        std::vector<std::uint64_t> keys;
    };
    std::vector<Block> blocks;

    Block &room()
    {
        if (blocks.empty() || blocks.back().triangles.size() == blockSize) {
            blocks.emplace_back();
            blocks.back().triangles.reserve(blockSize);
            blocks.back().keys.reserve(blockSize * 3);
        }
        return blocks.back();
    }
    std::size_t size() const
    {
        std::size_t n = 0;
        for (const Block &b : blocks)
            n += b.triangles.size();
        return n;
    }
};

class Marcher
{
public:
    Marcher(const MarchingCubeSurface::Grid &g, const CellRange &r, std::uint32_t only,
            std::atomic<std::uint64_t> &columnsDone, std::uint64_t columnTotal,
            Util::IProgress *listener)
        : grid(g), range(r), material(only), done(columnsDone), total(columnTotal), progress(listener)
        , tables(MarchingCubeTables::instance())
    {
    }

    // Cubes whose origin x lies in [xBegin, xEnd); origins start one cell
    // before the range so the surface closes on its lower faces too.
    void run(std::int64_t xBegin, std::int64_t xEnd, SlabResult &out) const
    {
        for (std::int64_t x = xBegin; x < xEnd; ++x) {
            for (std::int64_t y = std::int64_t(range.lower[1]) - 1; y < std::int64_t(range.upper[1]); ++y)
                column(x, y, out);
            const std::uint64_t n = ++done;
            if (progress)
                progress->setProgress(n, total);
        }
    }

private:
    std::uint32_t value(std::size_t index) const
    {
        const std::uint32_t m = grid.cells[index].material;
        return material == 0 ? m : (m == material ? m : 0);
    }

    // All cubes with origin (x, y, z) for z from one before the range to its end.
    void column(std::int64_t x, std::int64_t y, SlabResult &out) const
    {
        const std::uint8_t(*offsets)[3] = MarchingCubeTables::cornerOffsets;
        // Per corner of the bottom face: whether its cell column is in range
        // and where the column starts in the cell array.
        bool inside[4];
        std::size_t base[4];
        for (int c = 0; c < 4; ++c) {
            const std::int64_t cx = x + offsets[c][0];
            const std::int64_t cy = y + offsets[c][1];
            inside[c] = cx >= std::int64_t(range.lower[0]) && cx < std::int64_t(range.upper[0])
                        && cy >= std::int64_t(range.lower[1]) && cy < std::int64_t(range.upper[1]);
            base[c] = inside[c] ? (std::size_t(cx) * grid.size[1] + std::size_t(cy)) * grid.size[2] : 0;
        }
        if (!inside[0] && !inside[1] && !inside[2] && !inside[3])
            return;

        std::uint32_t values[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        for (std::int64_t z = std::int64_t(range.lower[2]) - 1; z < std::int64_t(range.upper[2]); ++z) {
            // The top corners (4..7) stand over the bottom ones (0..3).
            const bool topInside = z + 1 < std::int64_t(range.upper[2]);
            for (int c = 0; c < 4; ++c) {
                values[c] = values[c + 4];
                values[c + 4] = inside[c] && topInside ? value(base[c] + std::size_t(z + 1)) : 0;
            }
            int cubeCase = 0;
            for (int c = 0; c < 8; ++c)
                cubeCase |= (values[c] != 0 ? 1 : 0) << c;
            if (cubeCase == 0 || cubeCase == 255)
                continue;
            emitCube(x, y, z, cubeCase, values, out);
        }
    }

    void emitCube(std::int64_t x, std::int64_t y, std::int64_t z, int cubeCase,
              const std::uint32_t values[8], SlabResult &out) const
    {
        const std::uint8_t(*offsets)[3] = MarchingCubeTables::cornerOffsets;
        const std::uint16_t mask = tables.edgeMask(cubeCase);
        const std::int64_t origin[3] = {x, y, z};
        const double shift[3] = {grid.origin.x, grid.origin.y, grid.origin.z};
        const std::uint64_t keySize[3] = {std::uint64_t(grid.size[0]) + 1,
                                          std::uint64_t(grid.size[1]) + 1,
                                          std::uint64_t(grid.size[2]) + 1};
        Triangle::Vertex vertex[12];
        std::uint64_t key[12];
        for (int e = 0; e < 12; ++e) {
            if (!(mask & (1u << e)))
                continue;
            const int a = MarchingCubeTables::edgeCorners[e][0];
            const int b = MarchingCubeTables::edgeCorners[e][1];
            std::uint64_t k[3];
            for (int axis = 0; axis < 3; ++axis) {
                // Twice the vertex position in cells, measured from cell 0's corner.
                const std::int64_t twice = 2 * origin[axis] + offsets[a][axis] + offsets[b][axis] + 1;
                vertex[e].position[axis] = float(double(twice) * 0.5 * double(grid.cellSize[axis]) + shift[axis]);
                // Rounded to the nearest whole corner, halves up; never below 0
                // since cube origins start at -1.
                k[axis] = std::uint64_t((twice + 1) / 2);
            }
            vertex[e].material = values[a] != 0 ? values[a] : values[b];
            key[e] = (k[0] * keySize[1] + k[1]) * keySize[2] + k[2];
        }

        const std::int8_t *row = tables.triangles(cubeCase);
        for (int i = 0; row[i] != -1; i += 3) {
            SlabResult::Block &block = out.room();
            Triangle t;
            for (int v = 0; v < 3; ++v) {
                t.vertices[v] = vertex[row[i + v]];
                block.keys.push_back(key[row[i + v]]);
            }
            const float *p0 = t.vertices[0].position;
            const float *p1 = t.vertices[1].position;
            const float *p2 = t.vertices[2].position;
            const double u[3] = {double(p1[0]) - p0[0], double(p1[1]) - p0[1], double(p1[2]) - p0[2]};
            const double w[3] = {double(p2[0]) - p0[0], double(p2[1]) - p0[1], double(p2[2]) - p0[2]};
            double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (int v = 0; v < 3; ++v) {
                for (int axis = 0; axis < 3; ++axis)
                    t.vertices[v].normal[axis] = length > 0 ? float(n[axis] / length) : 0.0f;
            }
            block.triangles.push_back(t);
        }
    }

    const MarchingCubeSurface::Grid &grid;
    const CellRange &range;
    std::uint32_t material;
    std::atomic<std::uint64_t> &done;
    std::uint64_t total;
    Util::IProgress *progress;
    const MarchingCubeTables &tables;
};

// Every vertex takes the normalised sum of the face normals of all vertices
// with its key. Sums run in list order, so the result is the same however
// the list was built.
void smoothNormals(std::vector<Triangle> &triangles, const std::vector<std::uint64_t> &keys)
{
    const std::size_t vertices = keys.size();
    if (vertices == 0)
        return;
    // Far fewer keys than vertices (neighbouring vertices share one), so a
    // table of one slot per vertex stays sparse.
    std::size_t capacity = 16;
    while (capacity < vertices)
        capacity *= 2;
    constexpr std::uint64_t unused = std::numeric_limits<std::uint64_t>::max();
    struct Slot
    {
        std::uint64_t key;
        float sum[3];
    };
    std::vector<Slot> table(capacity, Slot{unused, {0, 0, 0}});
    std::vector<std::uint32_t> slotOf(vertices);
    const std::size_t mask = capacity - 1;
    for (std::size_t v = 0; v < vertices; ++v) {
        const std::uint64_t key = keys[v];
        // Keys of one cell column are consecutive and vertices come column by
        // column, so the plain key keeps the look-ups close together in memory.
        std::size_t h = std::size_t(key) & mask;
        while (table[h].key != unused && table[h].key != key)
            h = (h + 1) & mask;
        Slot &slot = table[h];
        slot.key = key;
        const float *n = triangles[v / 3].vertices[v % 3].normal;
        for (int a = 0; a < 3; ++a)
            slot.sum[a] += n[a];
        slotOf[v] = std::uint32_t(h);
    }
    for (Slot &slot : table) {
        if (slot.key == unused)
            continue;
        const double length = std::sqrt(double(slot.sum[0]) * slot.sum[0] + double(slot.sum[1]) * slot.sum[1]
                                        + double(slot.sum[2]) * slot.sum[2]);
        for (int a = 0; a < 3; ++a)
            slot.sum[a] = length > 0 ? float(slot.sum[a] / length) : 0.0f;
    }
    for (std::size_t v = 0; v < vertices; ++v) {
        const float *n = table[slotOf[v]].sum;
        float *target = triangles[v / 3].vertices[v % 3].normal;
        for (int a = 0; a < 3; ++a)
            target[a] = n[a];
    }
}

std::vector<Triangle> march(const MarchingCubeSurface::Grid &grid, const CellRange &requested,
                            std::uint32_t material, int threadCount, Util::IProgress *progress)
{
    const CellRange range = requested.clampedTo(grid.size[0], grid.size[1], grid.size[2]);
    if (range.isEmpty())
        return {};
    // Cube origins x run over [lower - 1, upper); the slab split works on
    // them shifted by one.
    auto slabs = SlabSplit::split(range.lower[0], range.upper[0] + 1, threadCount);
    if (slabs.empty())
        slabs.push_back(SlabSplit::Slab{range.lower[0], range.upper[0] + 1});
    std::atomic<std::uint64_t> done{0};
    const Marcher marcher(grid, range, material, done, std::uint64_t(range.upper[0]) - range.lower[0] + 1,
                          progress);
    std::vector<SlabResult> parts(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        marcher.run(std::int64_t(slab.begin) - 1, std::int64_t(slab.end) - 1, parts[i]);
    });

    std::size_t count = 0;
    for (const SlabResult &part : parts)
        count += part.size();
    std::vector<Triangle> triangles;
    std::vector<std::uint64_t> keys;
    triangles.reserve(count);
    keys.reserve(count * 3);
    for (SlabResult &part : parts) {
        for (SlabResult::Block &block : part.blocks) {
            triangles.insert(triangles.end(), block.triangles.begin(), block.triangles.end());
            keys.insert(keys.end(), block.keys.begin(), block.keys.end());
            std::vector<Triangle>().swap(block.triangles);
            std::vector<std::uint64_t>().swap(block.keys);
        }
        part.blocks.clear();
    }
    smoothNormals(triangles, keys);
    return triangles;
}

} // namespace

MarchingCubeSurface::MarchingCubeSurface(TotalVolume *v)
    : volume(v)
{
}

void MarchingCubeSurface::build(const CellRange &range, Util::IProgress *progress)
{
    QElapsedTimer timer;
    timer.start();
    std::vector<Triangle> built;
    {
        TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
        const Grid grid{lock.cells(),
                        {volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()},
                        {volume->getCellSizeX(), volume->getCellSizeY(), volume->getCellSizeZ()},
                        Util::Vector3D()};
        built = buildSurface(grid, range, SlabSplit::poolThreadCount(), progress);
    }
    QMutexLocker locker(&mutex);
    triangles.swap(built);
    ++revision;
    qCDebug(lcView) << "Marching-cubes surface built:" << triangles.size()
                    << "triangles; Elapsed time" << timer.elapsed() << "ms";
}

std::vector<Triangle> MarchingCubeSurface::getTriangles() const
{
    QMutexLocker locker(&mutex);
    return triangles;
}

std::size_t MarchingCubeSurface::getTriangleCount() const
{
    QMutexLocker locker(&mutex);
    return triangles.size();
}

std::vector<Triangle> MarchingCubeSurface::buildSurface(const Grid &grid, const CellRange &range,
                                                        int threadCount, Util::IProgress *progress)
{
    return march(grid, range, 0, threadCount, progress);
}

std::vector<Triangle> MarchingCubeSurface::buildSolid(const Grid &grid, std::uint32_t material,
                                                      int threadCount)
{
    if (material == 0)
        return {};
    return march(grid, CellRange::whole(grid.size[0], grid.size[1], grid.size[2]), material,
                 threadCount, nullptr);
}

} // namespace Automaton
} // namespace Model

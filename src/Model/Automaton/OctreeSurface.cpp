#include "OctreeSurface.h"

#include "SlabSplit.h"
#include "TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/IProgress.h"
#include "Util/Logging.h"
#include "Voxel.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <algorithm>
#include <functional>

namespace Model {
namespace Automaton {

using Geometry::QuadFace;
using Geometry::QuadFaceList;

const std::uint8_t OctreeSurface::faceCorners[6][4][3] = {
    {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
    {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},
    {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},
    {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
    {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},
    {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
};

namespace {

// Subtrees this many levels below the root are the units of parallel work.
// Fixed, so the node pool and the face order never depend on the threads.
constexpr int unitDepth = 3;

constexpr int directionAxis[6] = {2, 2, 0, 0, 1, 1};
constexpr bool directionPositive[6] = {true, false, false, true, false, true};
constexpr int opposite[6] = {1, 0, 3, 2, 5, 4};
// The cell-face normals (-z, +z, -y, +y, -x, +x) in direction order.
constexpr int normalOf[6] = {1, 0, 4, 5, 2, 3};
// Child index bit of each axis (x, y, z).
constexpr int axisBit[3] = {4, 2, 1};

constexpr float opaqueAbove = 0.999f;
constexpr float invisibleBelow = 0.001f;

void childOrigin(const std::uint32_t origin[3], std::uint32_t half, int i, std::uint32_t out[3])
{
    out[0] = origin[0] + half * std::uint32_t((i >> 2) & 1);
    out[1] = origin[1] + half * std::uint32_t((i >> 1) & 1);
    out[2] = origin[2] + half * std::uint32_t(i & 1);
}

// A built subtree: a leaf's material, or where its eight children start.
struct Built
{
    std::uint32_t material;
    std::int32_t firstChild;
};

// Eight children become one leaf when they are leaves of one material;
// otherwise they go into the pool as one block.
Built combine(std::vector<OctreeNode> &pool, const std::uint32_t origin[3], std::uint32_t half,
              const Built children[8])
{
    bool uniform = true;
    for (int i = 0; i < 8; ++i)
        uniform = uniform && children[i].firstChild < 0 && children[i].material == children[0].material;
    if (uniform)
        return Built{children[0].material, -1};
    const std::int32_t first = std::int32_t(pool.size());
    for (int i = 0; i < 8; ++i) {
        OctreeNode node;
        node.material = children[i].firstChild < 0 ? children[i].material : 0;
        node.firstChild = children[i].firstChild;
        childOrigin(origin, half, i, node.origin);
        node.size = half;
        pool.push_back(node);
    }
    return Built{0, first};
}

class TreeBuilder
{
public:
    TreeBuilder(const OctreeSurface::Grid &g, const CellRange &r) : grid(g), range(r) {}

    Built build(std::vector<OctreeNode> &pool, const std::uint32_t origin[3], std::uint32_t size) const
    {
        for (int a = 0; a < 3; ++a) {
            if (origin[a] >= range.upper[a] || origin[a] + size <= range.lower[a])
                return Built{0, -1};
        }
        if (size == 1)
            return Built{material(origin), -1};
        const std::uint32_t half = size / 2;
        Built children[8];
        for (int i = 0; i < 8; ++i) {
            std::uint32_t o[3];
            childOrigin(origin, half, i, o);
            children[i] = build(pool, o, half);
        }
        return combine(pool, origin, half, children);
    }

private:
    std::uint32_t material(const std::uint32_t p[3]) const
    {
        for (int a = 0; a < 3; ++a) {
            if (p[a] < range.lower[a] || p[a] >= range.upper[a])
                return 0;
        }
        return grid.cells[(std::size_t(p[0]) * grid.size[1] + p[1]) * grid.size[2] + p[2]].material;
    }

    const OctreeSurface::Grid &grid;
    const CellRange &range;
};

struct FaceLists
{
    QuadFaceList opaque;
    QuadFaceList transparent;
};

class FaceEmitter
{
public:
    FaceEmitter(const std::vector<OctreeNode> &n, const MaterialColorTable &c, const float size[3])
        : nodes(n), colors(c), cellSize{size[0], size[1], size[2]}
    {
    }

    // Face d of node n as seen from `asker` (null for the root boundary).
    void emitFace(std::int32_t index, int d, bool fromEmpty, const OctreeNode *asker, FaceLists &out) const
    {
        const OctreeNode &n = nodes[std::size_t(index)];
        if (!n.isLeaf()) {
            const int bit = axisBit[directionAxis[d]];
            for (int i = 0; i < 8; ++i) {
                if (((i & bit) != 0) == directionPositive[d])
                    emitFace(n.firstChild + i, d, fromEmpty, asker, out);
            }
            return;
        }
        if (n.material == 0)
            return;
        const float *color = colors.color(n.material);
        const float alpha = color[3];
        if (!((fromEmpty && alpha > invisibleBelow) || alpha > opaqueAbove))
            return;

        // A larger neighbour shows only the square its asker touches.
        std::int64_t origin[3] = {n.origin[0], n.origin[1], n.origin[2]};
        std::int64_t size = n.size;
        if (asker && n.size > asker->size) {
            const int a = directionAxis[d];
            size = asker->size;
            for (int k = 0; k < 3; ++k)
                origin[k] = asker->origin[k];
            origin[a] = directionPositive[d] ? std::int64_t(asker->origin[a]) - size
                                             : std::int64_t(asker->origin[a]) + size;
        }
        QuadFace face;
        for (int k = 0; k < 4; ++k) {
            for (int a = 0; a < 3; ++a)
                face.vertices[k][a] = float(origin[a] + size * OctreeSurface::faceCorners[d][k][a]) * cellSize[a];
        }
        face.normal = QuadFace::faceNormals[normalOf[d]];
        face.setColors(color);
        face.material = n.material;
        (alpha > opaqueAbove ? out.opaque : out.transparent).push_back(face);
    }

    // Depth first: every empty or see-through leaf looks at its neighbours.
    void walk(std::int32_t index, FaceLists &out) const
    {
        const OctreeNode &n = nodes[std::size_t(index)];
        if (!n.isLeaf()) {
            for (int i = 0; i < 8; ++i)
                walk(n.firstChild + i, out);
            return;
        }
        if (n.material != 0 && colors.color(n.material)[3] >= opaqueAbove)
            return;
        for (int d = 0; d < 6; ++d) {
            const std::int32_t neighbour = find(n, d);
            if (neighbour >= 0)
                emitFace(neighbour, opposite[d], n.material == 0, &n, out);
        }
    }

private:
    // The node of the same or larger size across face d of n, or -1 beyond the root.
    std::int32_t find(const OctreeNode &n, int d) const
    {
        std::int64_t p[3] = {n.origin[0], n.origin[1], n.origin[2]};
        const int a = directionAxis[d];
        p[a] += directionPositive[d] ? std::int64_t(n.size) : -1;
        const OctreeNode &root = nodes[0];
        for (int k = 0; k < 3; ++k) {
            if (p[k] < std::int64_t(root.origin[k]) || p[k] >= std::int64_t(root.origin[k]) + root.size)
                return -1;
        }
        std::int32_t index = 0;
        while (!nodes[std::size_t(index)].isLeaf() && nodes[std::size_t(index)].size > n.size) {
            const OctreeNode &c = nodes[std::size_t(index)];
            const std::uint32_t half = c.size / 2;
            int child = 0;
            for (int k = 0; k < 3; ++k) {
                if (p[k] >= std::int64_t(c.origin[k] + half))
                    child |= axisBit[k];
            }
            index = c.firstChild + child;
        }
        return index;
    }

    const std::vector<OctreeNode> &nodes;
    const MaterialColorTable &colors;
    float cellSize[3];
};

void splice(QuadFaceList &to, QuadFaceList &from)
{
    to.insert(to.end(), from.begin(), from.end());
    QuadFaceList().swap(from);
}

} // namespace

OctreeSurface::Result OctreeSurface::buildTree(const Grid &grid, const CellRange &requested,
                                               const MaterialColorTable &colors, int threadCount,
                                               Util::IProgress *progress)
{
    const CellRange range = requested.clampedTo(grid.size[0], grid.size[1], grid.size[2]);
    Result result;
    std::uint32_t longest = 0;
    for (int a = 0; a < 3; ++a)
        longest = std::max(longest, range.upper[a] - range.lower[a]);
    std::uint32_t rootSize = 1;
    int depth = 0;
    while (rootSize < longest) {
        rootSize *= 2;
        ++depth;
    }
    OctreeNode root;
    std::copy(range.lower.begin(), range.lower.end(), root.origin);
    root.size = rootSize;
    result.nodes.push_back(root);
    if (range.isEmpty())
        return result;

    const int levels = std::min(depth, unitDepth);
    const std::uint32_t perAxis = 1u << levels;
    const std::uint32_t unitSize = rootSize >> levels;
    const std::uint64_t progressTotal = 2ull * perAxis;
    std::atomic<std::uint64_t> done{0};
    auto report = [&] {
        const std::uint64_t n = ++done;
        if (progress)
            progress->setProgress(n, progressTotal);
    };
    auto slabs = SlabSplit::split(0, perAxis, threadCount);
    if (slabs.empty())
        slabs.push_back(SlabSplit::Slab{0, perAxis});

    // The units, each into its slab's own pool.
    const TreeBuilder builder(grid, range);
    std::vector<Built> units(std::size_t(perAxis) * perAxis * perAxis);
    std::vector<std::vector<OctreeNode>> pools(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t s, SlabSplit::Slab slab) {
        for (std::uint32_t ix = slab.begin; ix < slab.end; ++ix) {
            for (std::uint32_t iy = 0; iy < perAxis; ++iy) {
                for (std::uint32_t iz = 0; iz < perAxis; ++iz) {
                    const std::uint32_t o[3] = {range.lower[0] + ix * unitSize, range.lower[1] + iy * unitSize,
                                                range.lower[2] + iz * unitSize};
                    units[(std::size_t(ix) * perAxis + iy) * perAxis + iz] = builder.build(pools[s], o, unitSize);
                }
            }
            report();
        }
    });

    // The pools joined in slab order, then the levels above the units.
    for (std::size_t s = 0; s < slabs.size(); ++s) {
        const std::int32_t offset = std::int32_t(result.nodes.size());
        for (OctreeNode node : pools[s]) {
            if (node.firstChild >= 0)
                node.firstChild += offset;
            result.nodes.push_back(node);
        }
        std::vector<OctreeNode>().swap(pools[s]);
        for (std::uint32_t ix = slabs[s].begin; ix < slabs[s].end; ++ix) {
            for (std::size_t k = std::size_t(ix) * perAxis * perAxis; k < std::size_t(ix + 1) * perAxis * perAxis; ++k) {
                if (units[k].firstChild >= 0)
                    units[k].firstChild += offset;
            }
        }
    }
    for (std::uint32_t n = perAxis, size = unitSize; n > 1; n /= 2, size *= 2) {
        const std::uint32_t m = n / 2;
        std::vector<Built> upper(std::size_t(m) * m * m);
        for (std::uint32_t px = 0; px < m; ++px) {
            for (std::uint32_t py = 0; py < m; ++py) {
                for (std::uint32_t pz = 0; pz < m; ++pz) {
                    Built children[8];
                    for (int i = 0; i < 8; ++i) {
                        const std::uint32_t cx = 2 * px + std::uint32_t((i >> 2) & 1);
                        const std::uint32_t cy = 2 * py + std::uint32_t((i >> 1) & 1);
                        const std::uint32_t cz = 2 * pz + std::uint32_t(i & 1);
                        children[i] = units[(std::size_t(cx) * n + cy) * n + cz];
                    }
                    const std::uint32_t o[3] = {range.lower[0] + px * 2 * size, range.lower[1] + py * 2 * size,
                                                range.lower[2] + pz * 2 * size};
                    upper[(std::size_t(px) * m + py) * m + pz] = combine(result.nodes, o, size, children);
                }
            }
        }
        units.swap(upper);
    }
    result.nodes[0].material = units[0].firstChild < 0 ? units[0].material : 0;
    result.nodes[0].firstChild = units[0].firstChild;

    // Faces: the root's boundary, then the units by x column, depth first.
    const FaceEmitter emitter(result.nodes, colors, grid.cellSize);
    FaceLists boundary;
    for (const int d : {1, 0, 3, 2, 5, 4})
        emitter.emitFace(0, d, true, nullptr, boundary);
    std::vector<std::vector<std::int32_t>> columns(perAxis);
    // Depth-first list of the nodes at unit depth (or leaves above it).
    std::function<void(std::int32_t, int)> collect = [&](std::int32_t index, int level) {
        const OctreeNode &n = result.nodes[std::size_t(index)];
        if (n.isLeaf() || level == levels) {
            columns[(n.origin[0] - range.lower[0]) / unitSize].push_back(index);
            return;
        }
        for (int i = 0; i < 8; ++i)
            collect(n.firstChild + i, level + 1);
    };
    collect(0, 0);
    std::vector<FaceLists> parts(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t s, SlabSplit::Slab slab) {
        for (std::uint32_t ix = slab.begin; ix < slab.end; ++ix) {
            for (const std::int32_t index : columns[ix])
                emitter.walk(index, parts[s]);
            report();
        }
    });
    result.opaque.swap(boundary.opaque);
    result.transparent.swap(boundary.transparent);
    for (FaceLists &part : parts) {
        splice(result.opaque, part.opaque);
        splice(result.transparent, part.transparent);
    }
    return result;
}

OctreeSurface::OctreeSurface(TotalVolume *v)
    : volume(v)
{
}

void OctreeSurface::build(const CellRange &range, Util::IProgress *progress)
{
    QElapsedTimer timer;
    timer.start();
    MaterialColorTable colors;
    colors.refillFromCatalogue();
    Result built;
    {
        TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
        const Grid grid{lock.cells(),
                        {volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()},
                        {volume->getCellSizeX(), volume->getCellSizeY(), volume->getCellSizeZ()}};
        built = buildTree(grid, range, colors, SlabSplit::poolThreadCount(), progress);
    }
    QMutexLocker locker(&mutex);
    nodes.swap(built.nodes);
    opaqueFaces.swap(built.opaque);
    transparentFaces.swap(built.transparent);
    ++revision;
    qCDebug(lcView) << "Octree surface built:" << nodes.size() << "nodes," << opaqueFaces.size()
                    << "opaque and" << transparentFaces.size() << "transparent faces; Elapsed time"
                    << timer.elapsed() << "ms";
}

void OctreeSurface::updateColors(bool selected)
{
    QMutexLocker locker(&mutex);
    recolor(selected);
    ++revision;
}

void OctreeSurface::recolor(bool selected)
{
    MaterialColorTable colors;
    colors.refillFromCatalogue();
    colors.paint(opaqueFaces, selected);
    colors.paint(transparentFaces, selected);
}

QuadFaceList OctreeSurface::getOpaqueFaces() const
{
    QMutexLocker locker(&mutex);
    return opaqueFaces;
}

QuadFaceList OctreeSurface::getTransparentFaces() const
{
    QMutexLocker locker(&mutex);
    return transparentFaces;
}

std::size_t OctreeSurface::getOpaqueFaceCount() const
{
    QMutexLocker locker(&mutex);
    return opaqueFaces.size();
}

std::size_t OctreeSurface::getTransparentFaceCount() const
{
    QMutexLocker locker(&mutex);
    return transparentFaces.size();
}

std::vector<OctreeNode> OctreeSurface::getNodes() const
{
    QMutexLocker locker(&mutex);
    return nodes;
}

} // namespace Automaton
} // namespace Model

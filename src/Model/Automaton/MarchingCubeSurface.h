#pragma once

#include "CellRange.h"
#include "Triangle.h"
#include "Util/Vector3D.h"

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <vector>

namespace Util {
class IProgress;
}

namespace Model {
namespace Automaton {

class TotalVolume;
struct Voxel;

// A smooth-looking surface between filled and empty cells: marching cubes on
// the grid of cell centres, one-cell cubes, no interpolation (a vertex sits
// halfway along its cube edge, since the values are material ids, not
// densities). Cells outside the range count as empty, so the surface closes
// half a cell inside the range's faces; on flat regions it lies exactly on
// the cells' faces.
//
// Vertex normals are smoothed: every vertex takes the normalised mean of the
// face normals of all vertices that round to the same whole cell corner.
//
// Built over x slabs on the global pool and joined in slab order, so the
// triangle list does not depend on the number of threads.
class MarchingCubeSurface
{
public:
    explicit MarchingCubeSurface(TotalVolume *volume);

    MarchingCubeSurface(const MarchingCubeSurface &) = delete;
    MarchingCubeSurface &operator=(const MarchingCubeSurface &) = delete;

    // Rebuilds the surface of the cells in range (under the volume's cells
    // lock), in the volume's own coordinates. A build that throws keeps the
    // previous surface.
    void build(const CellRange &range, Util::IProgress *progress = nullptr);

    std::vector<Triangle> getTriangles() const;
    std::size_t getTriangleCount() const;
    // Changes with every build, so a drawer knows when to refresh its arrays.
    std::uint64_t getRevision() const { return revision; }

    // What one build works on: the cell array and its geometry.
    struct Grid
    {
        const Voxel *cells;
        std::uint32_t size[3];
        float cellSize[3];
        // Added to every position (the volume's position for scene units).
        Util::Vector3D origin;
    };

    // The surface of all filled cells in range, every vertex carrying the
    // material of its filled corner (between two materials there is no
    // surface). Progress counts cube columns along x.
    static std::vector<Triangle> buildSurface(const Grid &grid, const CellRange &range,
                                              int threadCount, Util::IProgress *progress = nullptr);
    // The closed surface of the cells of one material in the whole volume:
    // outward normals, also where it meets the volume's outer faces.
    static std::vector<Triangle> buildSolid(const Grid &grid, std::uint32_t material,
                                            int threadCount);

private:
    TotalVolume *volume;
    mutable QMutex mutex;
    std::vector<Triangle> triangles;
    std::atomic<std::uint64_t> revision{0};
};

} // namespace Automaton
} // namespace Model

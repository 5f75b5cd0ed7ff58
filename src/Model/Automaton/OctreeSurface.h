#pragma once

#include "CellRange.h"
#include "MaterialColorTable.h"
#include "Model/Geometry/QuadFace.h"
#include "OctreeNode.h"

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

// Equal-material regions merged into power-of-two cubes, drawn as the faces
// of those cubes: large flat regions become few large squares.
//
// The root covers the visible range from its lower corner with the next
// power of two of its longest side; cells outside the range are empty. Any
// eight children of one material collapse into their parent.
//
// Faces are seen from the empty or see-through side: every empty leaf, and
// every leaf whose material's alpha is below 0.999, looks at its neighbour of
// the same or larger size in each direction and emits the part of that
// neighbour's face it touches (all of a smaller neighbour's leaves on that
// side). So every piece of the surface is emitted once, however the two sides
// are split. The root's own boundary is emitted as seen from empty space.
// A face of a material with alpha a is emitted when a > 0.999 (opaque list),
// or when seen from an empty leaf and a > 0.001 (transparent list); between
// two see-through materials there is no face.
//
// Face directions: 0 = +z, 1 = -z, 2 = -x, 3 = +x, 4 = -y, 5 = +y.
class OctreeSurface
{
public:
    static const std::uint8_t faceCorners[6][4][3];

    explicit OctreeSurface(TotalVolume *volume);

    OctreeSurface(const OctreeSurface &) = delete;
    OctreeSurface &operator=(const OctreeSurface &) = delete;

    // Rebuilds the tree and faces of the cells in range (under the volume's
    // cells lock), in the catalogue's plain colours. A build that throws
    // keeps the previous surface.
    void build(const CellRange &range, Util::IProgress *progress = nullptr);
    // Recolours every face from the catalogue colour of its material,
    // highlighted while `selected` (never shifted twice).
    void updateColors(bool selected);

    Geometry::QuadFaceList getOpaqueFaces() const;
    Geometry::QuadFaceList getTransparentFaces() const;
    std::size_t getOpaqueFaceCount() const;
    std::size_t getTransparentFaceCount() const;
    std::vector<OctreeNode> getNodes() const;
    std::uint64_t getRevision() const { return revision; }

    struct Grid
    {
        const Voxel *cells;
        std::uint32_t size[3];
        float cellSize[3];
    };
    struct Result
    {
        // Node 0 is the root.
        std::vector<OctreeNode> nodes;
        Geometry::QuadFaceList opaque;
        Geometry::QuadFaceList transparent;
    };
    // The tree is built over x slabs of subtrees; faces are listed by the
    // x column of those subtrees, depth first within one, whatever the
    // number of threads. Progress counts subtrees built, then walked.
    static Result buildTree(const Grid &grid, const CellRange &range, const MaterialColorTable &colors,
                            int threadCount, Util::IProgress *progress = nullptr);

private:
    void recolor(bool selected);

    TotalVolume *volume;
    mutable QMutex mutex;
    std::vector<OctreeNode> nodes;
    Geometry::QuadFaceList opaqueFaces;
    Geometry::QuadFaceList transparentFaces;
    std::atomic<std::uint64_t> revision{0};
};

} // namespace Automaton
} // namespace Model

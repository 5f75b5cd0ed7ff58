#pragma once

#include "CellRange.h"
#include "Model/Geometry/QuadFace.h"

#include <cstdint>

namespace Model {
namespace Automaton {

class MaterialColorTable;
struct Voxel;

// Direct cubic surface: one square per visible cell face. Reads the cell
// array (the caller holds the volume's cells lock) and the colour table, and
// writes face lists ordered by x, then y, then z, then face index.
//
// Face index, neighbour, normal and corner offsets (in drawing order):
//   0  z-1  (0,0,-1)  (0,0,0) (0,1,0) (1,1,0) (1,0,0)
//   1  z+1  (0,0,1)   (0,0,1) (1,0,1) (1,1,1) (0,1,1)
//   2  y-1  (0,-1,0)  (0,0,0) (1,0,0) (1,0,1) (0,0,1)
//   3  y+1  (0,1,0)   (0,1,0) (0,1,1) (1,1,1) (1,1,0)
//   4  x-1  (-1,0,0)  (0,0,0) (0,0,1) (0,1,1) (0,1,0)
//   5  x+1  (1,0,0)   (1,0,0) (1,1,0) (1,1,1) (1,0,1)
//
// Visibility of a face of a filled cell:
// - opaque cell (alpha >= 0.997): shown when the neighbour is outside the
//   range, empty, or has alpha <= 0.999 (a 0.998 cell is drawn opaque but
//   still lets its opaque neighbours show their faces towards it);
// - transparent cell: hidden only when the neighbour is inside the range, of
//   the same material and that material's alpha is above 0.1 (so a nearly
//   invisible material shows all its internal faces).
class CubicFaceBuilder
{
public:
    static const std::uint8_t cornerOffsets[6][4][3];
    // Fill and outline colour of the faces of empty cells.
    static const float emptyFaceColor[4];

    // `range` is cut to the volume size here, so any limits are safe.
    CubicFaceBuilder(const Voxel *cells, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                     float cellSizeX, float cellSizeY, float cellSizeZ,
                     const CellRange &range, const MaterialColorTable &colors);

    // Replaces both lists with the faces of every filled cell in range,
    // built over x slabs (one per thread) and joined in slab order; with
    // fewer x columns than threads the whole range is built on the calling thread.
    void build(int threadCount, Geometry::QuadFaceList &opaque,
               Geometry::QuadFaceList &transparent) const;
    // Replaces the list with all six faces of every empty cell in range.
    void buildEmpty(int threadCount, Geometry::QuadFaceList &empty) const;

    // One slab [xBegin, xEnd) of the above, appending to the given lists.
    void buildSlab(std::uint32_t xBegin, std::uint32_t xEnd, Geometry::QuadFaceList &opaque,
                   Geometry::QuadFaceList &transparent) const;
    void buildEmptySlab(std::uint32_t xBegin, std::uint32_t xEnd,
                        Geometry::QuadFaceList &empty) const;

    const CellRange &range() const { return cellRange; }

private:
    class FaceBlocks;

    void collectSlab(std::uint32_t xBegin, std::uint32_t xEnd, FaceBlocks &opaque,
                     FaceBlocks &transparent) const;
    void collectEmptySlab(std::uint32_t xBegin, std::uint32_t xEnd, FaceBlocks &empty) const;
    void appendFace(FaceBlocks &list, std::uint32_t x, std::uint32_t y,
                    std::uint32_t z, int face, const float *color, std::size_t cellIndex,
                    std::uint32_t material) const;

    const Voxel *cells;
    std::uint32_t nx;
    std::uint32_t ny;
    std::uint32_t nz;
    float cellSize[3];
    CellRange cellRange;
    const MaterialColorTable &colors;
};

} // namespace Automaton
} // namespace Model

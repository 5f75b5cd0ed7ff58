#include "CubicFaceBuilder.h"

#include "MaterialColorTable.h"
#include "SlabSplit.h"
#include "Voxel.h"

#include <utility>
#include <vector>

namespace Model {
namespace Automaton {

using Geometry::QuadFace;
using Geometry::QuadFaceList;

const std::uint8_t CubicFaceBuilder::cornerOffsets[6][4][3] = {
    {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},
    {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
    {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},
    {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
    {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},
    {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
};

const float CubicFaceBuilder::emptyFaceColor[4] = {0.8f, 0.8f, 0.8f, 1.0f};

// Faces of one slab, collected in fixed-size blocks: the list grows without
// ever copying faces it already holds, and the blocks of all slabs are copied
// once, in slab order, into the final list of exactly the right size.
class CubicFaceBuilder::FaceBlocks
{
public:
    static constexpr std::size_t blockSize = 8192;

    void push(const QuadFace &face)
    {
        if (blocks.empty() || blocks.back().size() == blockSize) {
            blocks.emplace_back();
            blocks.back().reserve(blockSize);
        }
        blocks.back().push_back(face);
    }

    std::size_t size() const
    {
        return blocks.empty() ? 0 : (blocks.size() - 1) * blockSize + blocks.back().size();
    }

    void appendTo(QuadFaceList &out)
    {
        for (QuadFaceList &block : blocks) {
            out.insert(out.end(), block.begin(), block.end());
            QuadFaceList().swap(block);
        }
        blocks.clear();
    }

    static void join(std::vector<FaceBlocks> &parts, QuadFaceList &out)
    {
        std::size_t total = out.size();
        for (const FaceBlocks &part : parts)
            total += part.size();
        out.reserve(total);
        for (FaceBlocks &part : parts)
            part.appendTo(out);
    }

private:
    std::vector<QuadFaceList> blocks;
};

CubicFaceBuilder::CubicFaceBuilder(const Voxel *cellArray, std::uint32_t sizeX,
                                   std::uint32_t sizeY, std::uint32_t sizeZ, float cellSizeX,
                                   float cellSizeY, float cellSizeZ, const CellRange &range,
                                   const MaterialColorTable &colorTable)
    : cells(cellArray), nx(sizeX), ny(sizeY), nz(sizeZ)
    , cellSize{cellSizeX, cellSizeY, cellSizeZ}
    , cellRange(range.clampedTo(sizeX, sizeY, sizeZ))
    , colors(colorTable)
{
}

void CubicFaceBuilder::build(int threadCount, QuadFaceList &opaque,
                             QuadFaceList &transparent) const
{
    opaque.clear();
    transparent.clear();
    auto slabs = SlabSplit::split(cellRange.lower[0], cellRange.upper[0], threadCount);
    if (slabs.empty()) // fewer columns than threads: one slab on this thread
        slabs.push_back(SlabSplit::Slab{cellRange.lower[0], cellRange.upper[0]});
    std::vector<FaceBlocks> opaqueParts(slabs.size());
    std::vector<FaceBlocks> transparentParts(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        collectSlab(slab.begin, slab.end, opaqueParts[i], transparentParts[i]);
    });
    FaceBlocks::join(opaqueParts, opaque);
    FaceBlocks::join(transparentParts, transparent);
}

void CubicFaceBuilder::buildEmpty(int threadCount, QuadFaceList &empty) const
{
    empty.clear();
    auto slabs = SlabSplit::split(cellRange.lower[0], cellRange.upper[0], threadCount);
    if (slabs.empty())
        slabs.push_back(SlabSplit::Slab{cellRange.lower[0], cellRange.upper[0]});
    std::vector<FaceBlocks> parts(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        collectEmptySlab(slab.begin, slab.end, parts[i]);
    });
    FaceBlocks::join(parts, empty);
}

void CubicFaceBuilder::buildSlab(std::uint32_t xBegin, std::uint32_t xEnd,
                                 QuadFaceList &opaque, QuadFaceList &transparent) const
{
    std::vector<FaceBlocks> opaqueParts(1);
    std::vector<FaceBlocks> transparentParts(1);
    collectSlab(xBegin, xEnd, opaqueParts[0], transparentParts[0]);
    FaceBlocks::join(opaqueParts, opaque);
    FaceBlocks::join(transparentParts, transparent);
}

void CubicFaceBuilder::buildEmptySlab(std::uint32_t xBegin, std::uint32_t xEnd,
                                      QuadFaceList &empty) const
{
    std::vector<FaceBlocks> parts(1);
    collectEmptySlab(xBegin, xEnd, parts[0]);
    FaceBlocks::join(parts, empty);
}

void CubicFaceBuilder::appendFace(FaceBlocks &list, std::uint32_t x, std::uint32_t y,
                                  std::uint32_t z, int face, const float *color,
                                  std::size_t cellIndex, std::uint32_t material) const
{
    QuadFace f;
    const std::uint32_t origin[3] = {x, y, z};
    for (int k = 0; k < 4; ++k) {
        for (int a = 0; a < 3; ++a)
            f.vertices[k][a] = float(origin[a] + cornerOffsets[face][k][a]) * cellSize[a];
    }
    f.normal = QuadFace::faceNormals[face];
    f.setColors(color);
    f.voxel = cells + cellIndex;
    f.material = material;
    list.push(f);
}

void CubicFaceBuilder::collectSlab(std::uint32_t xBegin, std::uint32_t xEnd,
                                   FaceBlocks &opaque, FaceBlocks &transparent) const
{
    const CellRange &r = cellRange;
    const std::size_t strideY = nz;
    const std::size_t strideX = std::size_t(ny) * nz;
    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = r.lower[1]; y < r.upper[1]; ++y) {
            const std::size_t row = (std::size_t(x) * ny + y) * nz;
            for (std::uint32_t z = r.lower[2]; z < r.upper[2]; ++z) {
                const std::size_t i = row + z;
                const std::uint32_t m = cells[i].material;
                if (m == 0)
                    continue;

                // Neighbours outside the range always count as missing.
                const bool edge[6] = {z <= r.lower[2], z + 1 >= r.upper[2],
                                      y <= r.lower[1], y + 1 >= r.upper[1],
                                      x <= r.lower[0], x + 1 >= r.upper[0]};
                const std::ptrdiff_t step[6] = {-1, 1, -std::ptrdiff_t(strideY), std::ptrdiff_t(strideY),
                                                -std::ptrdiff_t(strideX), std::ptrdiff_t(strideX)};
                const float *color = colors.color(m);
                if (colors.isTransparent(m)) {
                    const bool hidesOwn = colors.hidesOwnFace(m);
                    for (int f = 0; f < 6; ++f) {
                        if (edge[f] || !hidesOwn || cells[std::ptrdiff_t(i) + step[f]].material != m)
                            appendFace(transparent, x, y, z, f, color, i, m);
                    }
                } else {
                    for (int f = 0; f < 6; ++f) {
                        if (edge[f] || !colors.hidesOpaqueFace(cells[std::ptrdiff_t(i) + step[f]].material))
                            appendFace(opaque, x, y, z, f, color, i, m);
                    }
                }
            }
        }
    }
}

void CubicFaceBuilder::collectEmptySlab(std::uint32_t xBegin, std::uint32_t xEnd,
                                        FaceBlocks &empty) const
{
    const CellRange &r = cellRange;
    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = r.lower[1]; y < r.upper[1]; ++y) {
            const std::size_t row = (std::size_t(x) * ny + y) * nz;
            for (std::uint32_t z = r.lower[2]; z < r.upper[2]; ++z) {
                if (cells[row + z].material != 0)
                    continue;
                for (int f = 0; f < 6; ++f)
                    appendFace(empty, x, y, z, f, emptyFaceColor, row + z, 0);
            }
        }
    }
}

} // namespace Automaton
} // namespace Model

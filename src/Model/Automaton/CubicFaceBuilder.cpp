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

namespace {

// Moves the per-slab lists, in slab order, into one list.
void join(std::vector<QuadFaceList> &parts, QuadFaceList &out)
{
    out.clear();
    if (parts.size() == 1) {
        out.swap(parts.front());
        return;
    }
    std::size_t total = 0;
    for (const QuadFaceList &part : parts)
        total += part.size();
    out.reserve(total);
    for (QuadFaceList &part : parts) {
        out.insert(out.end(), part.begin(), part.end());
        QuadFaceList().swap(part);
    }
}

} // namespace

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
    const auto slabs = SlabSplit::split(cellRange.lower[0], cellRange.upper[0], threadCount);
    if (slabs.empty()) {
        buildSlab(cellRange.lower[0], cellRange.upper[0], opaque, transparent);
        return;
    }
    std::vector<QuadFaceList> opaqueParts(slabs.size());
    std::vector<QuadFaceList> transparentParts(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        buildSlab(slab.begin, slab.end, opaqueParts[i], transparentParts[i]);
    });
    join(opaqueParts, opaque);
    join(transparentParts, transparent);
}

void CubicFaceBuilder::buildEmpty(int threadCount, QuadFaceList &empty) const
{
    empty.clear();
    const auto slabs = SlabSplit::split(cellRange.lower[0], cellRange.upper[0], threadCount);
    if (slabs.empty()) {
        buildEmptySlab(cellRange.lower[0], cellRange.upper[0], empty);
        return;
    }
    std::vector<QuadFaceList> parts(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        buildEmptySlab(slab.begin, slab.end, parts[i]);
    });
    join(parts, empty);
}

void CubicFaceBuilder::appendFace(QuadFaceList &list, std::uint32_t x, std::uint32_t y,
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
    list.push_back(f);
}

void CubicFaceBuilder::buildSlab(std::uint32_t xBegin, std::uint32_t xEnd,
                                 QuadFaceList &opaque, QuadFaceList &transparent) const
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

void CubicFaceBuilder::buildEmptySlab(std::uint32_t xBegin, std::uint32_t xEnd,
                                      QuadFaceList &empty) const
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

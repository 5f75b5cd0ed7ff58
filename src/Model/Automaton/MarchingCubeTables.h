#pragma once

#include <array>
#include <cstdint>

namespace Model {
namespace Automaton {

// The marching-cubes case tables for this corner and edge numbering (offsets
// in cells from the cube origin):
//   corners 0 (0,1,0)  1 (1,1,0)  2 (1,0,0)  3 (0,0,0)
//           4 (0,1,1)  5 (1,1,1)  6 (1,0,1)  7 (0,0,1)
//   edges   0 = 0-1, 1 = 1-2, 2 = 2-3,  3 = 3-0,  4 = 4-5,  5 = 5-6,
//           6 = 6-7, 7 = 7-4, 8 = 0-4,  9 = 1-5, 10 = 2-6, 11 = 3-7
// Case k has bit c set when corner c is filled. `edgeMask(k)` has bit e set
// when edge e joins a filled and an empty corner; `triangles(k)` lists edge
// triples, ending at -1 (at most five triangles). Case 1 (corner 0 alone) is
// the triangle on edges 0, 8, 3.
//
// The tables are derived once from the cube faces: on every face the
// crossing edges are joined in pairs, and where a face has two filled
// corners on a diagonal each filled corner is cut off on its own. Both
// cubes that share a face therefore cut it the same way, so the surface of
// any filled region closes without cracks. Each loop of crossings is turned
// so that (B - A) x (C - A) of its triangles points from the filled side to
// the empty one, started at its smallest edge and cut into triangles whose inner edges run
// through the cube (never along a face, which the neighbour could use too).
class MarchingCubeTables
{
public:
    static const MarchingCubeTables &instance();

    static const std::uint8_t cornerOffsets[8][3];
    static const std::uint8_t edgeCorners[12][2];

    std::uint16_t edgeMask(int cubeCase) const { return edges[std::size_t(cubeCase)]; }
    const std::int8_t *triangles(int cubeCase) const { return rows[std::size_t(cubeCase)].data(); }

private:
    MarchingCubeTables();

    std::array<std::uint16_t, 256> edges;
    std::array<std::array<std::int8_t, 16>, 256> rows;
};

} // namespace Automaton
} // namespace Model

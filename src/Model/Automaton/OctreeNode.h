#pragma once

#include <cstdint>

namespace Model {
namespace Automaton {

// One cube of an octree surface: a power-of-two edge in cells at an origin in
// cells. A leaf holds one material (0 = empty); an inner node has eight
// children, stored one after the other in the tree's node pool. Child i lies
// at origin + (size / 2) * (i >> 2 & 1, i >> 1 & 1, i & 1), so the child
// holding a cell has index 4 * ix + 2 * iy + iz.
struct OctreeNode
{
    std::uint32_t material = 0;
    // Pool index of the first child; -1 in a leaf.
    std::int32_t firstChild = -1;
    std::uint32_t origin[3] = {0, 0, 0};
    std::uint32_t size = 1;

    bool isLeaf() const { return firstChild < 0; }
};

} // namespace Automaton
} // namespace Model

#pragma once

#include <cstdint>
#include <vector>

namespace Util {
class BitVector;
}

namespace Model {
namespace Automaton {

// The flat squares that show a lithography mask above or below a volume.
class MaskOverlay
{
public:
    static const float color[4];
    // Masks float this many cell layers below the bottom / above the top.
    static constexpr int layerOffset = 5;

    // Four (x, y, z) corners per set mask cell (i, j), i < min(width, nx),
    // j < min(height, ny), bit i*height + j, at height z. Bits beyond the
    // mask's length count as clear.
    static std::vector<float> quads(const Util::BitVector &bits, std::uint32_t width,
                                    std::uint32_t height, std::uint32_t nx, std::uint32_t ny,
                                    float cellSizeX, float cellSizeY, float z);
};

} // namespace Automaton
} // namespace Model

#include "MaskOverlay.h"

#include "Util/BitVector.h"

#include <algorithm>

namespace Model {
namespace Automaton {

const float MaskOverlay::color[4] = {0.2f, 0.8f, 0.2f, 0.3f};

std::vector<float> MaskOverlay::quads(const Util::BitVector &bits, std::uint32_t width,
                                      std::uint32_t height, std::uint32_t nx, std::uint32_t ny,
                                      float cellSizeX, float cellSizeY, float z)
{
    std::vector<float> corners;
    const std::uint32_t iEnd = std::min(width, nx);
    const std::uint32_t jEnd = std::min(height, ny);
    for (std::uint32_t i = 0; i < iEnd; ++i) {
        for (std::uint32_t j = 0; j < jEnd; ++j) {
            if (!bits.test(std::size_t(i) * height + j))
                continue;
            const float x0 = float(i) * cellSizeX;
            const float x1 = float(i + 1) * cellSizeX;
            const float y0 = float(j) * cellSizeY;
            const float y1 = float(j + 1) * cellSizeY;
            corners.insert(corners.end(), {x0, y0, z, x1, y0, z, x1, y1, z, x0, y1, z});
        }
    }
    return corners;
}

} // namespace Automaton
} // namespace Model

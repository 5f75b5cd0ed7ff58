#include "QuadFace.h"

#include <algorithm>

namespace Model {
namespace Geometry {

const float QuadFace::faceNormals[6][3] = {
    {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f},
    {0.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
    {-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f},
};

void QuadFace::setColors(const float rgba[4])
{
    std::copy(rgba, rgba + 4, color);
    std::copy(rgba, rgba + 4, outlineColor);
}

bool QuadFace::operator==(const QuadFace &other) const
{
    const bool sameNormal = normal == other.normal
        || (normal && other.normal && std::equal(normal, normal + 3, other.normal));
    return sameNormal && voxel == other.voxel && material == other.material
        && std::equal(&vertices[0][0], &vertices[0][0] + 12, &other.vertices[0][0])
        && std::equal(color, color + 4, other.color)
        && std::equal(outlineColor, outlineColor + 4, other.outlineColor);
}

} // namespace Geometry
} // namespace Model

#include "RectangularCuboidEnvelope.h"

namespace Model {
namespace ModelExtraction {

RectangularCuboidEnvelope::RectangularCuboidEnvelope(std::uint32_t originX, std::uint32_t originY,
                                                     std::uint32_t originZ, std::uint32_t sizeX,
                                                     std::uint32_t sizeY, std::uint32_t sizeZ,
                                                     std::uint32_t materialId)
    : origin{originX, originY, originZ}
    , size{sizeX, sizeY, sizeZ}
    , material(materialId)
{
}

void RectangularCuboidEnvelope::setNeighbour(std::uint32_t face, RectangularCuboidEnvelope *neighbour)
{
    if (!neighbours[face] && neighbour)
        ++neighbourCount;
    else if (neighbours[face] && !neighbour)
        --neighbourCount;
    neighbours[face] = neighbour;
}

bool RectangularCuboidEnvelope::sharesFace(std::uint32_t face, const RectangularCuboidEnvelope &other) const
{
    const int normal = int(face / 2);
    const bool high = face % 2 == 1;
    // The plane of this face must be the plane of the other's opposite face.
    const std::uint64_t plane = high ? getEnd(normal) : origin[std::size_t(normal)];
    const std::uint64_t otherPlane = high ? other.origin[std::size_t(normal)] : other.getEnd(normal);
    if (plane != otherPlane)
        return false;
    for (int axis = 0; axis < 3; ++axis) {
        if (axis == normal)
            continue;
        if (origin[std::size_t(axis)] != other.origin[std::size_t(axis)]
            || size[std::size_t(axis)] != other.size[std::size_t(axis)])
            return false;
    }
    return true;
}

} // namespace ModelExtraction
} // namespace Model

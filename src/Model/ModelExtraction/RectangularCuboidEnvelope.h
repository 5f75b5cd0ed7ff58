#pragma once

#include <array>
#include <cstdint>

namespace Model {
namespace ModelExtraction {

// One rectangular block of cells of a single material, with the blocks that
// share each of its six faces. Face 0 is the low-x end, 1 the high-x end, 2
// and 3 the low and high y ends, 4 and 5 the low and high z ends; a face's
// neighbour shares exactly that rectangle through its opposite face.
// Neighbour pointers do not own: the envelopes live in the model's list.
class RectangularCuboidEnvelope
{
public:
    enum Face : std::uint32_t { LowX = 0, HighX = 1, LowY = 2, HighY = 3, LowZ = 4, HighZ = 5 };
    static constexpr std::uint32_t faceCount = 6;

    RectangularCuboidEnvelope(std::uint32_t originX, std::uint32_t originY, std::uint32_t originZ,
                              std::uint32_t sizeX, std::uint32_t sizeY, std::uint32_t sizeZ,
                              std::uint32_t material);

    std::uint32_t getOrigin(int axis) const { return origin[std::size_t(axis)]; }
    std::uint32_t getSize(int axis) const { return size[std::size_t(axis)]; }
    // The first cell past the block along an axis.
    std::uint64_t getEnd(int axis) const { return std::uint64_t(origin[std::size_t(axis)]) + size[std::size_t(axis)]; }
    std::uint32_t getMaterial() const { return material; }

    RectangularCuboidEnvelope *getNeighbour(std::uint32_t face) const { return neighbours[face]; }
    // Keeps the neighbour count equal to the number of faces that have one.
    void setNeighbour(std::uint32_t face, RectangularCuboidEnvelope *neighbour);
    std::uint32_t getNeighbourCount() const { return neighbourCount; }

    // The face on the other side of a shared rectangle (0 <-> 1, 2 <-> 3, 4 <-> 5).
    static std::uint32_t oppositeFace(std::uint32_t face) { return face ^ 1u; }
    // True when this block's face and the other block's opposite face are the
    // same rectangle (the same four corners).
    bool sharesFace(std::uint32_t face, const RectangularCuboidEnvelope &other) const;

private:
    std::array<std::uint32_t, 3> origin;
    std::array<std::uint32_t, 3> size;
    std::uint32_t material;
    std::array<RectangularCuboidEnvelope *, faceCount> neighbours{};
    std::uint32_t neighbourCount = 0;
};

} // namespace ModelExtraction
} // namespace Model

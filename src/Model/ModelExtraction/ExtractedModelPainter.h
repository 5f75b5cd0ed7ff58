#pragma once

#include "Util/Vector3D.h"

#include <array>
#include <cstddef>

namespace Model {
namespace ModelExtraction {

class ExtractedModel;
class RectangularCuboidEnvelope;

// Draws an extracted model's blocks as boxes, one palette colour each. The
// corners and colours are plain arithmetic (tests check them without a GL
// context); only draw() and drawPickBoxes() need one. The boxes are emitted
// directly rather than kept in arrays: a finely split structure has millions
// of blocks, and arrays of them would cost hundreds of megabytes.
class ExtractedModelPainter
{
public:
    static constexpr std::size_t paletteSize = 14;
    // The height of one cell layer in the drawing, in cell units.
    static constexpr double layerHeight = 0.35355246;

    struct Box
    {
        Util::Vector3D lower;
        Util::Vector3D upper;
    };

    explicit ExtractedModelPainter(const ExtractedModel *model);

    // The box of a block, without the model's position.
    static Box box(const RectangularCuboidEnvelope &envelope);
    // The colour of the block drawn in place `index`: the palette restarts
    // with the first block of every draw.
    static std::array<float, 3> paletteColor(std::size_t index);

    // The boxes at the model's position, coloured in block order.
    void draw() const;
    // The same boxes, uncoloured, for the picking pass.
    void drawPickBoxes() const;

private:
    void drawBoxes(bool colored) const;

    const ExtractedModel *model;
};

} // namespace ModelExtraction
} // namespace Model

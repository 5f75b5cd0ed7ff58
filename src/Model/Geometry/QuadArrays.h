#pragma once

#include "QuadFace.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Model {
namespace Geometry {

// A face list unrolled into client-side vertex arrays (four vertices per
// face) so a painter can hand a whole list to GL in one call. Plain memory,
// no GL objects: nothing here needs a context to be created or destroyed.
class QuadArrays
{
public:
    void assign(const QuadFaceList &faces);
    void clear();

    std::size_t vertexCount() const { return positionData.size() / 3; }
    bool isEmpty() const { return positionData.empty(); }
    const float *positions() const { return positionData.data(); }
    // Unit normals as signed bytes (127 = 1.0).
    const std::int8_t *normals() const { return normalData.data(); }
    // Outlines are drawn unlit over shaded faces: darker than the face, so an
    // edge shows against it at every zoom.
    static constexpr float outlineShade = 0.5f;

    // RGBA bytes: the fill colour, and the outline colour with its red,
    // green and blue scaled by outlineShade.
    const std::uint8_t *colors() const { return colorData.data(); }
    const std::uint8_t *outlineColors() const { return outlineColorData.data(); }

private:
    std::vector<float> positionData;
    std::vector<std::int8_t> normalData;
    std::vector<std::uint8_t> colorData;
    std::vector<std::uint8_t> outlineColorData;
};

} // namespace Geometry
} // namespace Model

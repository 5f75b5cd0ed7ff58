#include "QuadArrays.h"

#include <algorithm>
#include <cmath>

namespace Model {
namespace Geometry {

namespace {

std::uint8_t toByte(float c)
{
    return std::uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
}

std::int8_t toNormalByte(float n)
{
    return std::int8_t(std::lround(std::clamp(n, -1.0f, 1.0f) * 127.0f));
}

} // namespace

void QuadArrays::assign(const QuadFaceList &faces)
{
    const std::size_t vertices = faces.size() * 4;
    positionData.resize(vertices * 3);
    normalData.resize(vertices * 3);
    colorData.resize(vertices * 4);
    outlineColorData.resize(vertices * 4);

    float *position = positionData.data();
    std::int8_t *normal = normalData.data();
    std::uint8_t *color = colorData.data();
    std::uint8_t *outline = outlineColorData.data();
    for (const QuadFace &face : faces) {
        std::int8_t n[3] = {0, 0, 0};
        if (face.normal) {
            for (int a = 0; a < 3; ++a)
                n[a] = toNormalByte(face.normal[a]);
        }
        std::uint8_t c[4];
        std::uint8_t o[4];
        for (int k = 0; k < 4; ++k) {
            c[k] = toByte(face.color[k]);
            o[k] = toByte(k < 3 ? face.outlineColor[k] * outlineShade : face.outlineColor[k]);
        }
        for (int v = 0; v < 4; ++v) {
            position = std::copy(face.vertices[v], face.vertices[v] + 3, position);
            normal = std::copy(n, n + 3, normal);
            color = std::copy(c, c + 4, color);
            outline = std::copy(o, o + 4, outline);
        }
    }
}

void QuadArrays::clear()
{
    std::vector<float>().swap(positionData);
    std::vector<std::int8_t>().swap(normalData);
    std::vector<std::uint8_t>().swap(colorData);
    std::vector<std::uint8_t>().swap(outlineColorData);
}

} // namespace Geometry
} // namespace Model

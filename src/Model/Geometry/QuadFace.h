#pragma once

#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {
struct Voxel;
}

namespace Geometry {

// One square face of one cell, ready to draw: four corners in drawing order
// (volume-local coordinates, before the volume's position is applied), a unit
// normal, a fill colour and an outline colour.
//
// The corners are stored inside the face, so a face is a small plain value
// that per-slab lists can move around without allocating.
struct QuadFace
{
    // The six unit normals in cell-face order: -z, +z, -y, +y, -x, +x.
    static const float faceNormals[6][3];

    QuadFace() = default;

    // Sets `color` and `outlineColor` to the same RGBA value.
    void setColors(const float rgba[4]);

    // Same corners, same normal values, same colours, same cell and material.
    bool operator==(const QuadFace &other) const;
    bool operator!=(const QuadFace &other) const { return !(*this == other); }

    float vertices[4][3] = {};
    // Points at one of the constant normals above; never owned.
    const float *normal = nullptr;
    float color[4] = {};
    float outlineColor[4] = {};
    // The cell the face belongs to (null for faces not tied to one cell).
    // Only identifies the cell; drawing and recolouring never read through it.
    const Automaton::Voxel *voxel = nullptr;
    // Material the face was built for; recolouring looks its colour up by this id.
    std::uint32_t material = 0;
};

using QuadFaceList = std::vector<QuadFace>;

} // namespace Geometry
} // namespace Model

#pragma once

#include <cstdint>

namespace Model {
namespace Automaton {

// One triangle of a marching-cubes surface: three vertices, each with a
// position, a unit normal and the material it belongs to.
struct Triangle
{
    struct Vertex
    {
        float position[3];
        float normal[3];
        std::uint32_t material;
    };

    Vertex vertices[3];
};

} // namespace Automaton
} // namespace Model

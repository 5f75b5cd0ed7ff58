#pragma once

#include <cstdint>
#include <type_traits>

namespace Model {
namespace Automaton {

// One cell of a volume: the id of the material that fills it, 0 when empty.
// Four bytes and trivial, so a volume is one dense array of ids; the working
// storage of a process (distances, marks, counters) lives in the process.
struct Voxel
{
    // Leaves the id unset: arrays of cells are filled by whoever makes them.
    Voxel() = default;
    constexpr explicit Voxel(std::uint32_t materialId) : material(materialId) {}

    std::uint32_t getMaterial() const { return material; }
    void setMaterial(std::uint32_t id) { material = id; }

    std::uint32_t material;
};

static_assert(sizeof(Voxel) == 4, "a cell is one 32-bit material id");
static_assert(std::is_trivial<Voxel>::value, "cell arrays are allocated without initialisation");

} // namespace Automaton
} // namespace Model

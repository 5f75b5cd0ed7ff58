#pragma once

#include <cstdint>

namespace Model {
namespace Automaton {

// One cell of a volume. Only `material` is saved; the other members are
// working storage of the processes (the surface front keeps its "fixed" mark
// in `flag` and the offset to the nearest source in the vector).
struct Voxel
{
    Voxel() = default;
    explicit Voxel(std::uint32_t materialId) : material(materialId) {}

    std::uint32_t getMaterial() const { return material; }
    void setMaterial(std::uint32_t id) { material = id; }
    bool getFlag() const { return flag; }
    void setFlag(bool value) { flag = value; }
    float getVx() const { return vx; }
    float getVy() const { return vy; }
    float getVz() const { return vz; }
    void setVx(float v) { vx = v; }
    void setVy(float v) { vy = v; }
    void setVz(float v) { vz = v; }
    void setVector(float x, float y, float z)
    {
        vx = x;
        vy = y;
        vz = z;
    }
    std::uint32_t getCounter() const { return counter; }
    void setCounter(std::uint32_t value) { counter = value; }

    std::uint32_t material = 0;
    bool flag = false;
    float vx = 0.0f;
    float vy = 0.0f;
    float vz = 0.0f;
    std::uint32_t counter = 0;
};

} // namespace Automaton
} // namespace Model

#pragma once

#include <cstdint>

namespace Core {
namespace Operations {

// The two doped kinds of silicon. A dopant type of 1 means P, anything else N.
struct DopantTypes
{
    static constexpr std::uint32_t silicon = 1;
    static constexpr std::uint32_t nDoped = 14;
    static constexpr std::uint32_t pDoped = 15;
    static constexpr std::uint32_t pType = 1;
    static constexpr std::uint32_t nType = 0;

    static std::uint32_t dopant(std::uint32_t type) { return type == pType ? pDoped : nDoped; }
    static std::uint32_t opposite(std::uint32_t type) { return type == pType ? nDoped : pDoped; }
};

// What a doping front may enter: the host, the dopant and the opposite
// dopant. The host and the opposite dopant turn into the dopant when reached.
struct DopableMaterials
{
    std::uint32_t host;
    std::uint32_t dopant;
    std::uint32_t opposite;

    DopableMaterials(std::uint32_t host, std::uint32_t type)
        : host(host), dopant(DopantTypes::dopant(type)), opposite(DopantTypes::opposite(type))
    {
    }
    bool contains(std::uint32_t id) const { return id != 0 && (id == host || id == dopant || id == opposite); }
    std::uint32_t doped(std::uint32_t id) const { return id == host || id == opposite ? dopant : id; }
};

// The front step of doping and annealing: only dopable cells compete, a
// reached cell turns into its dopant, and the front moves on through solid
// cells (the 26 around an improved cell, or only its six face neighbours).
template <bool MooreNeighbourhood>
struct DopantFrontStep
{
    static constexpr bool mooreNeighbourhood = MooreNeighbourhood;
    static constexpr bool distanceField = true;
    const DopableMaterials *dopable;
    float limit; // the depth or annealing distance, squared
    bool takesPart(std::uint32_t id) const { return dopable->contains(id); }
    float limitSquared(std::uint32_t) const { return limit; }
    std::uint32_t apply(std::uint32_t id) const { return dopable->doped(id); }
    bool joins(std::uint32_t id) const { return id != 0; }
};

} // namespace Operations
} // namespace Core

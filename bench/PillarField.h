#pragma once

// The benchmark volume of the silicon processes: 256 x 256 x 128 unit cells,
// a silicon base of 32 layers carrying an 8 x 8 array of 16 x 16 x 32
// pillars (pitch 32).

#include "Model/Automaton/TotalVolume.h"

#include <cstdint>
#include <vector>

namespace PillarField {

constexpr std::uint32_t sizeX = 256;
constexpr std::uint32_t sizeY = 256;
constexpr std::uint32_t sizeZ = 128;
constexpr std::uint32_t silicon = 1;

inline std::vector<std::uint32_t> materials()
{
    const auto inPillar = [](std::uint32_t v) { return v % 32 >= 8 && v % 32 < 24; };
    std::vector<std::uint32_t> ids(std::size_t(sizeX) * sizeY * sizeZ, 0);
    for (std::uint32_t x = 0; x < sizeX; ++x)
        for (std::uint32_t y = 0; y < sizeY; ++y)
            for (std::uint32_t z = 0; z < 64; ++z)
                if (z < 32 || (inPillar(x) && inPillar(y)))
                    ids[(std::size_t(x) * sizeY + y) * sizeZ + z] = silicon;
    return ids;
}

inline void restore(Model::Automaton::TotalVolume &volume, const std::vector<std::uint32_t> &ids)
{
    Model::Automaton::Voxel *cells = volume.lockCells();
    for (std::size_t i = 0; i < ids.size(); ++i)
        cells[i].material = ids[i];
    volume.unlockCells();
}

} // namespace PillarField

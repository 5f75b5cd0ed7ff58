#pragma once

// The benchmark volume of the film processes: 256 x 256 x 128 cells, a
// silicon base of 32 layers carrying an 8 x 8 array of 16 x 16 x 32 pillars
// (pitch 32).

#include "Model/Automaton/TotalVolume.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t sizeX = 256;
constexpr std::uint32_t sizeY = 256;
constexpr std::uint32_t sizeZ = 128;
constexpr std::uint32_t baseHeight = 32;
constexpr std::uint32_t pillarPitch = 32;
constexpr std::uint32_t pillarWidth = 16;
constexpr std::uint32_t pillarOffset = 8;
constexpr std::uint32_t pillarHeight = 32;
constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t film = 2;
constexpr float distance = 20.0f;

inline bool inPillar(std::uint32_t v)
{
    const std::uint32_t m = v % pillarPitch;
    return m >= pillarOffset && m < pillarOffset + pillarWidth;
}

inline std::vector<std::uint32_t> pillarField()
{
    std::vector<std::uint32_t> ids(std::size_t(sizeX) * sizeY * sizeZ, 0);
    for (std::uint32_t x = 0; x < sizeX; ++x)
        for (std::uint32_t y = 0; y < sizeY; ++y)
            for (std::uint32_t z = 0; z < sizeZ; ++z) {
                const bool pillar = inPillar(x) && inPillar(y) && z < baseHeight + pillarHeight;
                if (z < baseHeight || pillar)
                    ids[(std::size_t(x) * sizeY + y) * sizeZ + z] = silicon;
            }
    return ids;
}

// The field as a volume at the origin, cells of one unit.
inline std::shared_ptr<Model::Automaton::TotalVolume> pillarVolume()
{
    return std::make_shared<Model::Automaton::TotalVolume>(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(),
                                                           pillarField());
}

inline void restore(Model::Automaton::TotalVolume &volume, const std::vector<std::uint32_t> &ids)
{
    const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Write);
    Model::Automaton::Voxel *cells = lock.writableCells();
    for (std::size_t i = 0; i < ids.size(); ++i)
        cells[i].material = ids[i];
}

inline std::size_t count(Model::Automaton::TotalVolume &volume, std::uint32_t id)
{
    std::size_t n = 0;
    for (const std::uint32_t m : volume.materialIds())
        n += m == id;
    return n;
}

} // namespace

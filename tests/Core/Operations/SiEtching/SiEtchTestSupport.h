#pragma once

#include "Model/Automaton/SiLattice.h"
#include "Model/Automaton/TotalVolume.h"

#include <QRandomGenerator>

#include <cstdint>
#include <memory>
#include <vector>

namespace SiEtchTest {

constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t oxide = 3;

inline std::shared_ptr<Model::Automaton::TotalVolume> volumeOf(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                                                               const std::vector<std::uint32_t> &ids,
                                                               float cellSize = 1.0f,
                                                               const Util::Vector3D &position = Util::Vector3D())
{
    return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, cellSize, cellSize, cellSize, position, ids);
}

// Silicon below `top`, then `mask` layers of oxide, empty above; every cell
// for which `open(x, y)` holds is empty in the mask.
template <class Open>
std::vector<std::uint32_t> wafer(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, std::uint32_t top,
                                 std::uint32_t mask, Open open)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z) {
                std::uint32_t &id = ids[(std::size_t(x) * ny + y) * nz + z];
                id = z < top ? silicon : z < top + mask && !open(x, y) ? oxide : 0;
            }
    return ids;
}

// A silicon block with random oxide patches and random empty pockets.
inline std::vector<std::uint32_t> randomWafer(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::uint32_t top = nz - 2 - random.bounded(2u);
            const bool masked = random.bounded(3u) == 0;
            for (std::uint32_t z = 0; z < nz; ++z) {
                std::uint32_t id = z < top ? silicon : z == top && masked ? oxide : 0;
                if (id == silicon && z > 0 && random.bounded(12u) == 0)
                    id = 0;
                ids[(std::size_t(x) * ny + y) * nz + z] = id;
            }
        }
    return ids;
}

} // namespace SiEtchTest

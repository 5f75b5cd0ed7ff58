#pragma once

#include "Model/Automaton/TotalVolume.h"
#include "Model/ModelExtraction/RectangularCuboidEnvelope.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ExtractionTest {

// A volume of unit cells whose cell (x, y, z) holds material(x, y, z).
template <class F>
std::shared_ptr<Model::Automaton::TotalVolume> volume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, F material)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z)
                ids[(std::size_t(x) * ny + y) * nz + z] = material(x, y, z);
    return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, Util::Vector3D(), ids);
}

// A free-standing beam of material 3 along x, held at x = 0 by a silicon
// anchor `anchor` cells long: the beam is `length` x `width` x `thickness`
// cells with one empty cell around it on every other side.
inline std::shared_ptr<Model::Automaton::TotalVolume> anchoredBeam(std::uint32_t anchor, std::uint32_t length,
                                                                   std::uint32_t width, std::uint32_t thickness,
                                                                   std::uint32_t material = 3)
{
    return volume(anchor + length + 1, width + 2, thickness + 2, [=](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
        if (x < anchor)
            return 1u;
        const bool inBeam = x < anchor + length && y >= 1 && y <= width && z >= 1 && z <= thickness;
        return inBeam ? material : 0u;
    });
}

inline bool sameBox(const Model::ModelExtraction::RectangularCuboidEnvelope &e, std::uint32_t x, std::uint32_t y,
                    std::uint32_t z, std::uint32_t sx, std::uint32_t sy, std::uint32_t sz)
{
    return e.getOrigin(0) == x && e.getOrigin(1) == y && e.getOrigin(2) == z && e.getSize(0) == sx
        && e.getSize(1) == sy && e.getSize(2) == sz;
}

} // namespace ExtractionTest

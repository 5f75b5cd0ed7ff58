#pragma once

#include "Core/TestOperations.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ExtractionTest {

using TestSupport::volumeFrom;

// A free-standing beam of material 3 along x, held at x = 0 by a silicon
// anchor `anchor` cells long: the beam is `length` x `width` x `thickness`
// cells with one empty cell around it on every other side.
inline std::shared_ptr<Model::Automaton::TotalVolume> anchoredBeam(std::uint32_t anchor, std::uint32_t length,
                                                                   std::uint32_t width, std::uint32_t thickness,
                                                                   std::uint32_t material = 3)
{
    return volumeFrom(anchor + length + 1, width + 2, thickness + 2, [=](auto x, auto y, auto z) {
        if (x < anchor)
            return 1u;
        const bool inBeam = x < anchor + length && y >= 1 && y <= width && z >= 1 && z <= thickness;
        return inBeam ? material : 0u;
    });
}

// A beam on a post over a silicon base, as a sacrificial-layer process
// leaves it: silicon in the lowest `base` cells; on it, at the low end of the
// beam's axis, a post of `post` material `anchor` cells long; the beam of
// `material`, `length` x `width` x `thickness` cells, runs from the post's
// top `gap` cells above the base. Every other cell is empty, with one empty
// cell around the beam. Along y the roles of x and y swap. Cell sizes in µm.
struct PostedBeam
{
    std::uint32_t material = 16;
    std::uint32_t post = 3;
    std::uint32_t length = 20;
    std::uint32_t width = 4;
    std::uint32_t thickness = 2;
    float cellX = 1.f;
    float cellY = 1.f;
    float cellZ = 1.f;
    bool alongY = false;
    std::uint32_t anchor = 3;
    std::uint32_t base = 2;
    std::uint32_t gap = 2;

    std::shared_ptr<Model::Automaton::TotalVolume> volume() const
    {
        const std::uint32_t along = anchor + length + 1, across = width + 2;
        const std::uint32_t nx = alongY ? across : along, ny = alongY ? along : across;
        const std::uint32_t nz = base + gap + thickness + 1;
        std::vector<std::uint32_t> ids;
        ids.reserve(std::size_t(nx) * ny * nz);
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y)
                for (std::uint32_t z = 0; z < nz; ++z) {
                    const std::uint32_t a = alongY ? y : x, c = alongY ? x : y;
                    const bool underBeamTop = z < base + gap + thickness && c >= 1 && c <= width;
                    if (z < base)
                        ids.push_back(1);
                    else if (a < anchor && underBeamTop)
                        ids.push_back(post);
                    else if (a < anchor + length && z >= base + gap && underBeamTop)
                        ids.push_back(material);
                    else
                        ids.push_back(0);
                }
        return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, cellX, cellY, cellZ, Util::Vector3D(),
                                                               ids);
    }
};

} // namespace ExtractionTest

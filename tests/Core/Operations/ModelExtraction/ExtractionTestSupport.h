#pragma once

#include "Core/TestOperations.h"

#include <cstdint>
#include <memory>

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

} // namespace ExtractionTest

#pragma once

#include "Util/BitVector.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace Core {
namespace Operations {

// One photolithography mask: width x height bits, bit i*height + j for mask
// cell (i, j), set where the mask is opaque. Mask cell (i, j) sits over cell
// column (i, j) of the volume. The file it came from is kept for display.
struct LithographyMask
{
    Util::BitVector bits;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    QString fileName;

    bool isEmpty() const { return width == 0 || height == 0; }
    // True when the bit count matches the dimensions.
    bool isConsistent() const { return bits.size() == std::size_t(width) * height; }
    bool isOpaque(std::uint32_t i, std::uint32_t j) const { return bits.test(std::size_t(i) * height + j); }
};

} // namespace Operations
} // namespace Core

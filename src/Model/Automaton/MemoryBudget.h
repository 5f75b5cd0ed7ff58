#pragma once

#include <cstddef>
#include <cstdint>

namespace Model {
namespace Automaton {

// The guard against volumes that cannot fit: it compares what a volume of a
// given size needs at its peak with the memory the system has available now
// (MemAvailable of /proc/meminfo; the physical memory where that is not
// known), before anything is allocated. A volume that passes can also be
// processed: its peak covers the material ids it keeps and the working
// storage the surface front allocates while it runs.
class MemoryBudget
{
public:
    // 4 bytes of material id kept per cell, and at most 16 more during a
    // process (the front's offsets and state byte, with room for its lists).
    static constexpr std::size_t peakBytesPerCell = 20;

    // Bytes available now, or the limit set for tests.
    static std::uint64_t availableBytes();
    // True when nx * ny * nz cells at their peak fit into availableBytes().
    static bool fits(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz);
    // Throws std::bad_alloc when fits() is false.
    static void check(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz);

    // Pretends that `bytes` are available (tests); 0 goes back to the system's figure.
    static void setAvailableBytesForTesting(std::uint64_t bytes);
};

} // namespace Automaton
} // namespace Model

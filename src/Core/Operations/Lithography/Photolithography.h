#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"
#include "Model/Automaton/Voxel.h"
#include "Util/BitVector.h"

#include <cstdint>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Exposes and develops a resist film through a bottom and a top mask. Light
// travels along z only: it enters a run of film cells at an end that faces an
// empty cell on an unmasked side, and the development front then walks the
// run cell by cell to its far end, removing it. Each column is developed on
// its own, so x-strips never exchange cells. Negative resist (id 12) inverts
// both masks. Build it, optionally set the strip count, then call run() once.
class Photolithography
{
public:
    static constexpr std::uint32_t negativeResistId = 12;

    Photolithography(Model::Automaton::TotalVolume *volume, std::uint32_t film, const LithographyMask &bottomMask,
                     const LithographyMask &topMask);

    // The strip count starts as the global pool's maximum thread count; 0
    // reads it again when run() starts.
    void setStripCount(unsigned count) { requestedStripCount = count; }
    unsigned getStripsUsed() const { return stripsUsed; }

    // Locks the cells, develops every strip (one pool task each) and unlocks.
    void run();

    // One bit per cell column (index x*ny + y), set where that side is masked.
    const Util::BitVector &getBottomExposure() const { return bottomMasked; }
    const Util::BitVector &getTopExposure() const { return topMasked; }

private:
    // The side's masked columns: mask bit (x, y) inside the mask, clear
    // outside it, both inverted for negative resist. A mask whose bit count
    // does not match its size masks nothing.
    Util::BitVector maskedColumns(const LithographyMask &mask) const;
    void developStrip(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const;

    Model::Automaton::TotalVolume *volume;
    std::uint32_t film;
    std::uint32_t nx;
    std::uint32_t ny;
    std::uint32_t nz;
    Util::BitVector bottomMasked;
    Util::BitVector topMasked;
    unsigned requestedStripCount;
    unsigned stripsUsed = 0;
};

} // namespace Operations
} // namespace Core

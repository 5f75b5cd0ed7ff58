#pragma once

#include <cstdint>

namespace Core {
namespace Operations {

struct LithographyMask;
enum class MaskPlacement;

// Where the photolithography dialog delivers a mask as soon as it is applied
// or removed, and the placement as soon as it is chosen: the interactive
// operation, or a batch recipe editor that shows them over its current volume.
class IMaskReceiver
{
public:
    virtual ~IMaskReceiver() = default;
    virtual void setBottomMask(const LithographyMask &mask) = 0;
    virtual void setTopMask(const LithographyMask &mask) = 0;
    // Both masks are laid on the volume this way.
    virtual void setMaskPlacement(MaskPlacement placement) = 0;
    // The x/y cell counts of the volume the masks will meet; false (counts
    // untouched) when there is no volume yet.
    virtual bool footprint(std::uint32_t &nx, std::uint32_t &ny) const = 0;
};

} // namespace Operations
} // namespace Core

#pragma once

namespace Core {
namespace Operations {

struct LithographyMask;

// Where the photolithography dialog delivers a mask as soon as it is applied
// or removed: the interactive operation, or a batch recipe editor that shows
// it over its current volume.
class IMaskReceiver
{
public:
    virtual ~IMaskReceiver() = default;
    virtual void setBottomMask(const LithographyMask &mask) = 0;
    virtual void setTopMask(const LithographyMask &mask) = 0;
};

} // namespace Operations
} // namespace Core

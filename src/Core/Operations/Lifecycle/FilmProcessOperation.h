#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// A process with one material and one length (a film thickness or an etch
// depth). Each setter adds 1 to the state.
class FilmProcessOperation : public VolumeProcessOperation
{
public:
    static constexpr std::uint32_t siliconId = 1;

    using VolumeProcessOperation::VolumeProcessOperation;

    void setMaterial(std::uint32_t id);
    std::uint32_t getMaterial() const { return material; }

protected:
    void setLength(float value);
    float getLength() const { return length; }

private:
    std::uint32_t material = 0;
    float length = 0.0f;
};

} // namespace Operations
} // namespace Core

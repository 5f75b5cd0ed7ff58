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
    // The length's name on the finish line: "thickness" or "depth".
    virtual QString lengthName() const { return QStringLiteral("thickness"); }
    // The length, and why a run might change nothing.
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    std::uint32_t material = 0;
    float length = 0.0f;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Electroplating: a film grows only from the exposed surfaces of the
// conducting material. Every empty cell within the thickness of a conducting
// cell, reached through empty cells, receives the deposited material; every
// other solid is a barrier that neither seeds nor lets the film through.
class Electrodeposition : public SurfaceFrontProcess
{
public:
    Electrodeposition(Model::Automaton::TotalVolume *volume, std::uint32_t depositedId, std::uint32_t conductingId,
                      float thickness);

    std::uint32_t getMaterial() const { return deposited; }
    std::uint32_t getConductingMaterial() const { return conducting; }
    float getThickness() const { return getDistance(); }

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override;

private:
    std::uint32_t deposited;
    std::uint32_t conducting;
};

} // namespace Operations
} // namespace Core

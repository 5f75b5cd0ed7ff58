#pragma once

#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Coats every exposed surface with a film of one material: every empty cell
// whose offset to the nearest non-empty cell, carried along the surface front,
// is at most the thickness receives the material. Build it, optionally set a
// progress listener, then call run() once.
class IsotropicFilmDeposition : public SurfaceFrontProcess
{
public:
    IsotropicFilmDeposition(Model::Automaton::TotalVolume *volume, std::uint32_t materialId,
                            float thickness);

    std::uint32_t getMaterial() const { return material; }
    float getThickness() const { return getDistance(); }

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override;

private:
    std::uint32_t material;
};

} // namespace Operations
} // namespace Core

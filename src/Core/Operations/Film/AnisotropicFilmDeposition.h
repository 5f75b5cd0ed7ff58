#pragma once

#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Directional (PVD) deposition: the film grows only from solid faces that
// look up (+z), down (-z) or both, to the thickness along z and to about the
// thickness times the horizontal ratio sideways: a sideways cell step counts
// cx / ratio (cy / ratio) instead of cx (cy).
class AnisotropicFilmDeposition : public SurfaceFrontProcess
{
public:
    // Deposit-side bits.
    enum Side : std::uint32_t { OnTop = 1, OnBottom = 2, OnTopAndBottom = 3 };

    // `ratio` must be greater than 0.
    AnisotropicFilmDeposition(Model::Automaton::TotalVolume *volume, std::uint32_t materialId, float thickness,
                              float ratio, std::uint32_t side);

    std::uint32_t getMaterial() const { return material; }
    float getThickness() const { return getDistance(); }

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override;
    std::uint64_t computeStepCount() const override;

private:
    std::uint32_t material;
    std::uint32_t side;
    float scaledCx;
    float scaledCy;
};

} // namespace Operations
} // namespace Core

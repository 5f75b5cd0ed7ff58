#pragma once

#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Removes one material to a given depth from every surface that touches empty
// space. The front moves through empty cells and cells of that material only,
// so every other material masks what lies behind it. Build it, optionally set
// a progress listener, then call run() once.
class IsotropicFilmEtching : public SurfaceFrontProcess
{
public:
    IsotropicFilmEtching(Model::Automaton::TotalVolume *volume, std::uint32_t materialId, float depth);

    std::uint32_t getMaterial() const { return material; }
    float getDepth() const { return getDistance(); }

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override;

private:
    std::uint32_t material;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Engines/LayerProcess.h"

namespace Core {
namespace Operations {

// Cuts the volume to a band of layers: every cell below the minimum height
// and every cell at or above the maximum height (both in cells along z)
// becomes empty. A maximum above the volume counts as its top; a minimum at
// or above the maximum empties the whole volume.
class Planarization : public LayerProcess
{
public:
    Planarization(Model::Automaton::TotalVolume *volume, std::uint32_t maximumHeight, std::uint32_t minimumHeight);

protected:
    void processSlab(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const override;

private:
    std::uint32_t upperBound;
    std::uint32_t minimumHeight;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Engines/LayerProcess.h"

namespace Core {
namespace Operations {

class ProcessEffect;

// Cuts the volume to a band of layers: every cell below the minimum height
// and every cell at or above the maximum height (both in cells along z)
// becomes empty. A maximum above the volume counts as its top; a minimum at
// or above the maximum empties the whole volume.
class Planarization : public LayerProcess
{
public:
    Planarization(Model::Automaton::TotalVolume *volume, std::uint32_t maximumHeight, std::uint32_t minimumHeight);

    // The finish line's notes of a run: the band it kept, in µm above the
    // volume's bottom, and that a run that changed nothing found no solid
    // cell outside it.
    static void describe(ProcessEffect &effect, const Model::Automaton::TotalVolume &volume,
                         std::uint32_t maximumHeight, std::uint32_t minimumHeight);

protected:
    void processSlab(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const override;

private:
    std::uint32_t upperBound;
    std::uint32_t minimumHeight;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Engines/LayerProcess.h"

namespace Core {
namespace Operations {

class ProcessEffect;

// Fills every empty cell below a height (in cells along z) with one material,
// as a levelled liquid film does: open space and closed cavities alike.
class SpinCoating : public LayerProcess
{
public:
    SpinCoating(Model::Automaton::TotalVolume *volume, std::uint32_t materialId, std::uint32_t height);

    // The finish line's notes of a run: the height in µm and, for a run that
    // filled nothing, why: the height (a level above the volume's bottom)
    // lies below the surface, or the volume has no empty cell.
    static void describe(ProcessEffect &effect, const Model::Automaton::TotalVolume &volume, std::uint32_t height);

protected:
    void processSlab(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const override;

private:
    std::uint32_t material;
    std::uint32_t heightBound;
};

} // namespace Operations
} // namespace Core

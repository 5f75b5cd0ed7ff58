#pragma once

#include "Core/Operations/Lifecycle/Operation.h"
#include "Core/Operations/Lifecycle/ProcessProgress.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Chooses, for one cell volume, which atomistic elements are drawn, whether
// empty cells are outlined and which surface algorithm draws it. Colour
// changes go to the catalogue (the observer stores them before the options),
// so every volume is recoloured when the operation finishes.
//
// States: 0 waiting for a volume, 1 dialog shown, 2 options accepted.
class ChangeTotalVolumeVisualizationOptions : public Operation
{
public:
    struct Options
    {
        bool atoms = false;
        bool surfaceAtomsOnly = false;
        bool links = false;
        bool unitCells = false;
        bool unitCellOutlines = false;
        bool emptyVoxelOutlines = false;
        // 0 direct cubic, 1 marching cubes, 2 octree.
        std::uint32_t algorithm = 0;

        bool operator==(const Options &o) const
        {
            return atoms == o.atoms && surfaceAtomsOnly == o.surfaceAtomsOnly && links == o.links
                   && unitCells == o.unitCells && unitCellOutlines == o.unitCellOutlines
                   && emptyVoxelOutlines == o.emptyVoxelOutlines && algorithm == o.algorithm;
        }
    };

    // Its name and id from the process table.
    explicit ChangeTotalVolumeVisualizationOptions(Workspace *workspace);

    void step() override;
    void cancel() override;
    // Applies the options, rebuilds the volume's geometry (off the interface
    // thread, with progress) and recolours every volume of the document.
    void end() override;

    // Accepted only while the dialog is shown (state 1). False otherwise, or
    // for an unknown algorithm.
    bool setOptions(const Options &options);
    // The settings a volume is drawn with now.
    static Options currentOptions(Model::Automaton::TotalVolume &volume);

    std::shared_ptr<Model::Automaton::TotalVolume> getVolume() const { return volume; }
    std::uint32_t getState() const { return state; }

private:
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    Options options;
    std::uint32_t state = 0;
    ProcessProgress progress;
    // The catalogue's colours when the dialog opened: a volume drawn with a
    // colour that changed since then is rebuilt (it may have turned see-through).
    std::map<std::uint32_t, std::array<float, 4>> colorsBefore;
};

} // namespace Operations
} // namespace Core

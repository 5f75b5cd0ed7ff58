#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Model/Document.h"

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Lifts one connected piece of a material out of a cell volume into a new
// volume standing beside it; the source stays as it was.
class ExtractFilm : public ObjectOperation
{
public:
    enum ExtractState : std::uint32_t { WaitingForVolume = 0, VolumeChosen = 1, Extracted = 2 };

    explicit ExtractFilm(Workspace *workspace);
    ~ExtractFilm() override;

    // State 0: takes the first selected volume and opens the dialog, or asks for one.
    void step() override;
    // Extracts in state 1; cancels otherwise.
    void end() override;
    // Removes the new volume only.
    int undo() override;
    void redo() override;

    void setFilmMaterial(std::uint32_t material) { filmMaterial = material; }
    void setInvertFilm(bool invert) { invertFilm = invert; }
    // Chooses the source directly (scripted use); false without a volume.
    bool setSourceVolume(const std::shared_ptr<Model::Automaton::TotalVolume> &volume);

    std::uint32_t getExtractState() const { return extractState; }
    std::shared_ptr<Model::Automaton::TotalVolume> getSourceVolume() const { return sourceVolume; }
    std::shared_ptr<Model::Automaton::TotalVolume> getFilmVolume() const { return filmVolume; }

private:
    std::uint32_t extractState = WaitingForVolume;
    std::shared_ptr<Model::Automaton::TotalVolume> sourceVolume;
    std::shared_ptr<Model::Automaton::TotalVolume> filmVolume;
    // Where undo took the film from, for redo.
    Model::Document::Placement filmPlacement;
    std::uint32_t filmMaterial = 0;
    bool invertFilm = false;
};

} // namespace Operations
} // namespace Core

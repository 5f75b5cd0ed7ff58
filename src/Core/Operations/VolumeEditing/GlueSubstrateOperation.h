#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Core/Operations/VolumeEditing/GlueSubstrate.h"
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

// Bonds a top cell volume onto a base cell volume: the user picks the base,
// then the top, sets the final size and the top's shift in the dialog, and
// the glued volume replaces both in the document.
class GlueSubstrateOperation : public ObjectOperation
{
public:
    enum GlueState : std::uint32_t { WaitingForBase = 0, WaitingForTop = 1, Ready = 2, Glued = 3 };

    explicit GlueSubstrateOperation(Workspace *workspace);
    ~GlueSubstrateOperation() override;

    // State 0 takes the base, state 1 the top (never the base again) and
    // opens the options dialog.
    void step() override;
    // Glues when both volumes are taken; cancels otherwise, or when the
    // options or the memory do not allow the result (nothing changes then).
    void end() override;
    int undo() override;
    void redo() override;

    void setFinalSize(std::uint32_t x, std::uint32_t y, std::uint32_t z);
    void setDisplacement(std::uint32_t x, std::uint32_t y);
    void setInvertTop(bool invert) { options.invertTop = invert; }
    // Chooses both volumes at once (scripted use); the layout is measured.
    // False when they are the same volume or one is missing.
    bool setVolumes(const std::shared_ptr<Model::Automaton::TotalVolume> &base,
                    const std::shared_ptr<Model::Automaton::TotalVolume> &top);

    std::uint32_t getGlueState() const { return glueState; }
    const GlueLayout &getLayout() const { return layout; }
    const GlueOptions &getOptions() const { return options; }
    std::shared_ptr<Model::Automaton::TotalVolume> getBaseVolume() const { return baseVolume; }
    std::shared_ptr<Model::Automaton::TotalVolume> getTopVolume() const { return topVolume; }
    std::shared_ptr<Model::Automaton::TotalVolume> getGluedVolume() const { return gluedVolume; }

private:
    // The first selected cell volume that is not `except`.
    std::shared_ptr<Model::Automaton::TotalVolume> selectedVolume(const Model::Automaton::TotalVolume *except) const;
    void takeVolume();
    void askFor(const QString &suffix);
    void swapIntoDocument(bool glued);

    std::uint32_t glueState = WaitingForBase;
    GlueLayout layout;
    GlueOptions options;
    std::shared_ptr<Model::Automaton::TotalVolume> baseVolume;
    std::shared_ptr<Model::Automaton::TotalVolume> topVolume;
    std::shared_ptr<Model::Automaton::TotalVolume> gluedVolume;
    // Where the base and the top stood (each layer and index), for undo; the
    // glued volume takes the base's place.
    Model::Document::Placement basePlacement;
    Model::Document::Placement topPlacement;
};

} // namespace Operations
} // namespace Core

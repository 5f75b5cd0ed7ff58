#pragma once

#include "Core/Operations/Lifecycle/Operation.h"

#include <QStringList>

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
namespace ModelExtraction {
class ExtractedModel;
class IStructure;
}
}

namespace Core {
namespace Operations {

// Extracts a lumped circuit model of the cantilevers of one cell volume in
// three steps the user triggers from the options dialog: cut the volume into
// blocks, find the beams, write the netlist. While the dialog is open the
// volume is hidden and the blocks and beams are shown in its place.
class RunModelExtraction : public Operation
{
public:
    enum State : std::uint32_t { WaitingForVolume = 0, DialogOpen = 1, Done = 2 };

    explicit RunModelExtraction(Workspace *workspace);
    ~RunModelExtraction() override;

    // Takes the first selected cell volume and opens the dialog (through the
    // options observer), or asks for a volume.
    void step() override;
    // Finishes: the shown models go, the volume shows again.
    void end() override;
    void cancel() override;

    // Step 1: the block model, shown over the hidden volume. Returns the
    // number of blocks.
    std::size_t runStepOne();
    // Step 2: the beams of the block model, shown ten cells to the right of
    // the volume. Returns the number of beams (0 also before step 1).
    std::size_t runStepTwo();
    // Step 3's text: the structure's netlist, empty when there is none.
    QString netlist() const;
    // Why beams were left out of the netlist.
    QStringList skippedBeams() const;
    // After step 2, why the netlist is empty when it is (may be empty).
    QString noModelReason() const { return reason; }

    // Told on cancel, to close the dialog.
    void setCloseDialogObserver(const std::shared_ptr<Util::IObserver> &observer) { closeDialogObserver = observer; }

    std::uint32_t getState() const { return state; }
    std::shared_ptr<Model::Automaton::TotalVolume> getVolume() const { return volume; }
    std::shared_ptr<Model::ModelExtraction::ExtractedModel> getBlockModel() const { return displayedBlockModel; }
    std::shared_ptr<Model::ModelExtraction::ExtractedModel> getBeamModel() const { return displayedBeamModel; }

private:
    void say(const QString &suffix) const;
    void removeDisplayedModels();
    void showVolumeAgain();

    std::uint32_t state = WaitingForVolume;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    std::shared_ptr<Model::ModelExtraction::ExtractedModel> displayedBlockModel;
    std::shared_ptr<Model::ModelExtraction::ExtractedModel> displayedBeamModel;
    std::shared_ptr<Model::ModelExtraction::ExtractedModel> blockModel;
    std::shared_ptr<Model::ModelExtraction::IStructure> structure;
    QString reason;
    std::shared_ptr<Util::IObserver> closeDialogObserver;
};

} // namespace Operations
} // namespace Core

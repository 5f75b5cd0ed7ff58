#include "RunModelExtraction.h"

#include "VolumeNetlist.h"

#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/ModelExtraction/BlockPartition.h"
#include "Model/ModelExtraction/CantileverModelRule.h"
#include "Model/ModelExtraction/CantileverStructure.h"
#include "Model/ModelExtraction/ExtractedModel.h"
#include "Util/IObserver.h"

namespace Core {
namespace Operations {

using Model::ModelExtraction::ExtractedModel;

namespace {
// The beams stand this many cells to the right of the volume.
constexpr std::uint32_t beamModelGap = 10;
}

RunModelExtraction::RunModelExtraction(Workspace *ws)
    : Operation(ws, ProcessTable::operationName(ProcessKey::ModelExtraction),
                ProcessTable::operationId(ProcessKey::ModelExtraction))
{
}

RunModelExtraction::~RunModelExtraction() = default;

// The console speaks of the menu text rather than the operation's name.
void RunModelExtraction::say(const QString &suffix) const
{
    workspace->getConsoleInput().setMessage(ProcessTable::kind(ProcessKey::ModelExtraction).menuText + suffix);
}

void RunModelExtraction::step()
{
    if (state != WaitingForVolume)
        return;
    if (auto found = VolumeSelectionStep::firstSelectedVolume(*this)) {
        volume = found;
        workspace->getSelection().clearSelection();
        workspace->getSelection().setSelectionMode(false);
        say(QStringLiteral(": Cell volume selected."));
        state = DialogOpen;
        notifyObserver();
        return;
    }
    say(QStringLiteral(": Select a cell volume and press Enter/Return."));
    workspace->getConsoleInput().waitForEnter(this);
    workspace->getSelection().setSelectionMode(true);
}

std::size_t RunModelExtraction::runStepOne()
{
    if (state != DialogOpen || !volume)
        return 0;
    QString error;
    auto envelopes = Model::ModelExtraction::BlockPartition::run(*volume, 0, &error);
    if (!error.isEmpty()) {
        say(QStringLiteral(": ") + error);
        return 0;
    }
    volume->getPainter().setHidden(true);
    const std::size_t count = envelopes.size();
    if (displayedBlockModel)
        workspace->getDocument().removeObject(displayedBlockModel);
    blockModel = std::make_shared<ExtractedModel>(std::move(envelopes), volume->getPosition());
    displayedBlockModel = blockModel;
    workspace->getDocument().addObject(displayedBlockModel);
    workspace->notifyOperationEnded();
    return count;
}

std::size_t RunModelExtraction::runStepTwo()
{
    if (state != DialogOpen || !blockModel)
        return 0;
    Model::ModelExtraction::CantileverModelRule rule = VolumeNetlist::ruleFor(*volume);
    structure = rule.apply(*blockModel);
    reason = VolumeNetlist::noModelReason(*blockModel, rule.getBeams().size(), skippedBeams());
    if (displayedBeamModel) {
        workspace->getDocument().removeObject(displayedBeamModel);
        displayedBeamModel.reset();
    }
    if (rule.getBeams().empty())
        return 0;
    for (const QString &reason : skippedBeams())
        say(QStringLiteral(": ") + reason);
    const Util::Vector3D offset(double(volume->getSizeX() + beamModelGap) * double(volume->getCellSizeX()), 0.0,
                                0.0);
    displayedBeamModel = std::make_shared<ExtractedModel>(rule.getBeams(), volume->getPosition() + offset);
    workspace->getDocument().addObject(displayedBeamModel);
    workspace->notifyOperationEnded();
    return rule.getBeams().size();
}

QString RunModelExtraction::netlist() const
{
    return structure ? structure->netlist() : QString();
}

QStringList RunModelExtraction::skippedBeams() const
{
    const auto cantilevers = std::dynamic_pointer_cast<Model::ModelExtraction::CantileverStructure>(structure);
    return cantilevers ? cantilevers->skippedBeams() : QStringList();
}

void RunModelExtraction::removeDisplayedModels()
{
    if (displayedBlockModel)
        workspace->getDocument().removeObject(displayedBlockModel);
    if (displayedBeamModel)
        workspace->getDocument().removeObject(displayedBeamModel);
    displayedBlockModel.reset();
    displayedBeamModel.reset();
}

void RunModelExtraction::showVolumeAgain()
{
    if (volume)
        volume->getPainter().setHidden(false);
}

void RunModelExtraction::end()
{
    if (state == WaitingForVolume) {
        cancel();
        return;
    }
    if (state != DialogOpen)
        return;
    state = Done;
    removeDisplayedModels();
    showVolumeAgain();
    workspace->notifyOperationEnded();
    say(QStringLiteral(": Model extracted."));
    finishOperation();
}

void RunModelExtraction::cancel()
{
    if (state == Done)
        return;
    if (state == DialogOpen) {
        state = Done;
        // The dialog closes while the state already says done, so its closing
        // does not finish the operation a second time.
        if (closeDialogObserver)
            closeDialogObserver->notify();
        removeDisplayedModels();
        showVolumeAgain();
        workspace->notifyOperationEnded();
    }
    state = Done;
    cancelOperation(false);
}

} // namespace Operations
} // namespace Core

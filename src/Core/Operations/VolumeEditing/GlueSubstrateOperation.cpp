#include "Core/Operations/VolumeEditing/GlueSubstrateOperation.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <new>

namespace Core {
namespace Operations {

using Model::Automaton::TotalVolume;

GlueSubstrateOperation::GlueSubstrateOperation(Workspace *ws)
    : ObjectOperation(ws, ProcessTable::operationName(ProcessKey::Glue), ProcessTable::operationId(ProcessKey::Glue))
{
}

GlueSubstrateOperation::~GlueSubstrateOperation() = default;

std::shared_ptr<TotalVolume> GlueSubstrateOperation::selectedVolume(const TotalVolume *except) const
{
    const auto selected = workspace->getSelection().getSelectedObjects();
    for (const auto &object : selected) {
        auto volume = std::dynamic_pointer_cast<TotalVolume>(object);
        if (volume && volume.get() != except)
            return volume;
    }
    return {};
}

void GlueSubstrateOperation::takeVolume()
{
    workspace->getSelection().clearSelection();
    workspace->getSelection().setSelectionMode(false);
    workspace->notifyOperationEnded();
}

void GlueSubstrateOperation::askFor(const QString &suffix)
{
    message(suffix);
    workspace->getConsoleInput().waitForEnter(this);
    workspace->getSelection().setSelectionMode(true);
}

void GlueSubstrateOperation::step()
{
    if (glueState == WaitingForBase) {
        auto base = selectedVolume(nullptr);
        if (!base) {
            askFor(QStringLiteral(": select the base cell volume and press Enter/Return."));
            return;
        }
        baseVolume = base;
        glueState = WaitingForTop;
        takeVolume();
        message(QStringLiteral(": base cell volume selected. Select top cell volume and press enter"));
        // The next Enter/Return comes back here for the top.
        workspace->getConsoleInput().waitForEnter(this);
    } else if (glueState == WaitingForTop) {
        auto top = selectedVolume(baseVolume.get());
        if (!top) {
            askFor(QStringLiteral(": select the top cell volume and press Enter/Return."));
            return;
        }
        takeVolume();
        setVolumes(baseVolume, top);
        const QString cellSizes = GlueSubstrate::cellSizeRefusal(layout);
        if (!cellSizes.isEmpty()) {
            // The base stays chosen; another top may still fit it.
            topVolume.reset();
            glueState = WaitingForTop;
            message(cellSizes);
            askFor(QStringLiteral(": select the top cell volume and press Enter/Return."));
            return;
        }
        message(QStringLiteral(": top cell volume selected."));
        notifyObserver();
    }
}

bool GlueSubstrateOperation::setVolumes(const std::shared_ptr<TotalVolume> &base,
                                        const std::shared_ptr<TotalVolume> &top)
{
    if (!base || !top || base == top)
        return false;
    baseVolume = base;
    topVolume = top;
    layout = GlueSubstrate::measure(*baseVolume, *topVolume);
    options = GlueOptions::minimal(layout, options.invertTop);
    glueState = Ready;
    return true;
}

void GlueSubstrateOperation::setFinalSize(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    options.finalSizeX = x;
    options.finalSizeY = y;
    options.finalSizeZ = z;
}

void GlueSubstrateOperation::setDisplacement(std::uint32_t x, std::uint32_t y)
{
    options.displacementX = x;
    options.displacementY = y;
}

void GlueSubstrateOperation::end()
{
    if (glueState != Ready || !baseVolume || !topVolume || baseVolume == topVolume) {
        cancel();
        return;
    }
    const QString why = GlueSubstrate::refusal(layout, *topVolume, options);
    if (!why.isEmpty()) {
        message(why);
        cancelOperation(true);
        return;
    }
    try {
        gluedVolume = GlueSubstrate::build(*baseVolume, *topVolume, layout, options);
    } catch (const std::bad_alloc &) {
        qCDebug(lcOperation) << "Glue Volumes: allocation refused for" << options.finalSizeX << options.finalSizeY
                             << options.finalSizeZ;
        message(GlueSubstrate::memoryRefusal(options));
        cancelOperation(true);
        return;
    }
    glueState = Glued;
    gluedVolume->getPainter().rebuild();
    swapIntoDocument(true);
    finishOperation();
}

void GlueSubstrateOperation::swapIntoDocument(bool glued)
{
    // The two are taken from whichever layer holds them and put back in
    // reverse order, so each returns to its own layer and index.
    Model::Document &document = workspace->getDocument();
    if (glued) {
        basePlacement = document.takeObject(baseVolume);
        topPlacement = document.takeObject(topVolume);
        document.restoreObject(gluedVolume, basePlacement);
    } else {
        document.takeObject(gluedVolume);
        document.restoreObject(topVolume, topPlacement);
        document.restoreObject(baseVolume, basePlacement);
    }
}

int GlueSubstrateOperation::undo()
{
    if (glueState != Glued)
        return 0;
    swapIntoDocument(false);
    workspace->notifyOperationEnded();
    return 1;
}

void GlueSubstrateOperation::redo()
{
    if (glueState != Glued)
        return;
    swapIntoDocument(true);
    workspace->notifyOperationEnded();
}

} // namespace Operations
} // namespace Core

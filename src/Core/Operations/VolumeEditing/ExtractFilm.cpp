#include "Core/Operations/VolumeEditing/ExtractFilm.h"

#include "Core/Operations/Lifecycle/VolumeSelectionStep.h"
#include "Core/Operations/VolumeEditing/FilmExtraction.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <new>

namespace Core {
namespace Operations {

using Model::Automaton::TotalVolume;

ExtractFilm::ExtractFilm(Workspace *ws)
    : ObjectOperation(ws, ProcessTable::operationName(ProcessKey::ExtractFilm), ProcessTable::operationId(ProcessKey::ExtractFilm))
{
}

ExtractFilm::~ExtractFilm() = default;

bool ExtractFilm::setSourceVolume(const std::shared_ptr<TotalVolume> &volume)
{
    if (!volume)
        return false;
    sourceVolume = volume;
    extractState = VolumeChosen;
    return true;
}

void ExtractFilm::step()
{
    if (extractState != WaitingForVolume)
        return;
    auto volume = VolumeSelectionStep::firstSelectedVolume(*this);
    if (!volume) {
        message(QStringLiteral(": select a cell volume and press Enter/Return."));
        workspace->getConsoleInput().waitForEnter(this);
        workspace->getSelection().setSelectionMode(true);
        return;
    }
    workspace->getSelection().clearSelection();
    workspace->getSelection().setSelectionMode(false);
    workspace->notifyOperationEnded();
    message(QStringLiteral(": cell volume selected."));
    setSourceVolume(volume);
    notifyObserver();
}

void ExtractFilm::end()
{
    if (extractState != VolumeChosen || !sourceVolume) {
        cancel();
        return;
    }
    std::shared_ptr<TotalVolume> film;
    try {
        film = FilmExtraction::extract(*sourceVolume, filmMaterial, invertFilm);
    } catch (const std::bad_alloc &) {
        qCDebug(lcOperation) << "Extract Film: allocation refused for" << sourceVolume->getSizeX()
                             << sourceVolume->getSizeY() << sourceVolume->getSizeZ();
        message(QStringLiteral(": not enough memory for a volume of %1 x %2 x %3 cells.")
                    .arg(sourceVolume->getSizeX())
                    .arg(sourceVolume->getSizeY())
                    .arg(sourceVolume->getSizeZ()));
        cancelOperation(true);
        return;
    }
    extractState = Extracted;
    filmVolume = film;
    filmVolume->translate(FilmExtraction::besideSource(*sourceVolume));
    filmVolume->getPainter().rebuild();
    workspace->getDocument().addObject(filmVolume);
    message(QStringLiteral(": film extracted."));
    finishOperation();
}

int ExtractFilm::undo()
{
    if (!filmVolume)
        return 0;
    filmPlacement = workspace->getDocument().takeObject(filmVolume);
    workspace->notifyOperationEnded();
    return 1;
}

void ExtractFilm::redo()
{
    if (!filmVolume)
        return;
    workspace->getDocument().restoreObject(filmVolume, filmPlacement);
    workspace->notifyOperationEnded();
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Objects/TranslationOperation.h"

#include "Core/Workspace.h"
#include "Model/Object.h"

namespace Core {
namespace Operations {

namespace {

// The mode word the view clears on a click; while it holds this value the
// last event was a mouse move.
constexpr std::uint32_t waitingForClick = 3;

} // namespace

TranslationOperation::TranslationOperation(Workspace *ws, const QString &name, std::uint32_t id, Wording w)
    : ObjectOperation(ws, name, id)
    , wording(std::move(w))
{
}

void TranslationOperation::step()
{
    switch (state) {
    case ChoosingObjects:
        chooseObjects();
        break;
    case WaitingForReference:
        if (typed) {
            state = Placed;
            end();
        } else {
            startFollowingMouse();
        }
        break;
    case FollowingMouse:
        followMouse();
        break;
    default:
        break;
    }
}

void TranslationOperation::chooseObjects()
{
    ConsoleInput &console = workspace->getConsoleInput();
    const QList<std::shared_ptr<Model::Object>> selected = workspace->getSelection().getSelectedObjects();
    if (selected.isEmpty()) {
        console.setMessage(wording.selectObjects);
        console.waitForEnter(this);
        workspace->getSelection().setSelectionMode(true);
        return;
    }
    if (!takeObjects(selected))
        return;

    setPreview(true);
    console.setMessage(wording.enterDistance);
    pickMode = waitingForClick;
    workspace->getPickState().requestSceneClick(this, &referencePoint, &pickMode);
    typed = false;
    console.requestCoordinates(this, &displacement, &typed);
    state = WaitingForReference;
    workspace->getSelection().setSelectionMode(false);
    workspace->notifyOperationEnded();
}

void TranslationOperation::startFollowingMouse()
{
    workspace->getConsoleInput().resetRequest();
    pickMode = waitingForClick;
    PickState &pick = workspace->getPickState();
    pick.requestSceneMove(this, &cursorPoint, &previousCursorPoint);
    pick.requestSceneClick(this, &cursorPoint, &pickMode);
    workspace->getConsoleInput().setMessage(wording.clickDestination);
    state = FollowingMouse;
}

void TranslationOperation::followMouse()
{
    // The displacement is the sum of the steps between successive cursor points.
    displacement += cursorPoint - referencePoint;
    for (const auto &object : objects)
        object->setPreviewOffset(displacement);
    referencePoint = cursorPoint;
    workspace->notifyOperationEnded();

    if (pickMode == waitingForClick) {
        PickState &pick = workspace->getPickState();
        pick.requestSceneMove(this, &cursorPoint, &previousCursorPoint);
        pick.requestSceneClick(this, &cursorPoint, &pickMode);
        return;
    }
    state = Placed;
    end();
}

void TranslationOperation::end()
{
    if (state != Placed) {
        cancel();
        return;
    }
    setPreview(false);
    place();
    workspace->getSelection().clearSelection();
    workspace->getPickState().clear();
    workspace->getConsoleInput().resetRequest();
    workspace->getConsoleInput().setMessage(wording.finished);
    finishOperation();
}

void TranslationOperation::place()
{
    for (const auto &object : objects)
        object->translate(displacement);
}

void TranslationOperation::cancel()
{
    if (state == Placed)
        return;
    releaseInteraction();
    setPreview(false);
    dropObjects();
    objects.clear();
    workspace->getConsoleInput().setMessage(wording.canceled);
    workspace->notifyOperationEnded();
    // Released at once, so a later activation does not cancel it a second time.
    workspace->operationCancelled(this);
}

void TranslationOperation::setPreview(bool previewing)
{
    for (const auto &object : objects) {
        object->setPreviewing(previewing);
        object->setPreviewOffset(previewing ? displacement : Util::Vector3D());
    }
}

void TranslationOperation::releaseInteraction()
{
    workspace->getPickState().clear();
    workspace->getConsoleInput().resetRequest();
}

} // namespace Operations
} // namespace Core

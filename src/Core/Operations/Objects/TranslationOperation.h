#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Util/Vector3D.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>

namespace Model {
class Object;
}

namespace Core {
namespace Operations {

// The interaction that move and copy share: the objects to place come from
// the selection, then the displacement comes either from x, y, z typed into
// the console or from two clicks in the view (a reference point, then the
// destination), with the objects drawn at their preview place while the mouse
// moves in between.
//
// States: 0 choosing objects, 1 reference point or typed distance, 2 following
// the mouse, 3 placed.
class TranslationOperation : public ObjectOperation
{
public:
    enum State : std::uint32_t {
        ChoosingObjects = 0,
        WaitingForReference = 1,
        FollowingMouse = 2,
        Placed = 3,
    };

    // The prompts and reports of one operation, complete console lines.
    struct Wording
    {
        QString selectObjects;
        QString enterDistance;
        QString clickDestination;
        QString finished;
        QString canceled;
    };

    void step() override;
    // Places the objects once the displacement is known (state 3); earlier it cancels.
    void end() override;
    // Drops the requests and the preview and releases the operation; nothing
    // once the objects are placed.
    void cancel() override;

    std::uint32_t getState() const { return state; }
    Util::Vector3D getDisplacement() const { return displacement; }
    bool isTyped() const { return typed; }
    // The objects being placed: the selected ones for move, their clones for copy.
    QList<std::shared_ptr<Model::Object>> getObjects() const { return objects; }

protected:
    TranslationOperation(Workspace *workspace, const QString &name, std::uint32_t id, Wording wording);

    // The objects to place for this selection (not empty). False when there
    // are none; the operation has then been cancelled with a message.
    virtual bool takeObjects(const QList<std::shared_ptr<Model::Object>> &selected) = 0;
    // Carries the placement out once the preview is cleared: every one of
    // `objects` is translated by the displacement.
    void place();
    // Takes back what `takeObjects` put into the scene (cancel).
    virtual void dropObjects() {}

    QList<std::shared_ptr<Model::Object>> objects;

private:
    void chooseObjects();
    void startFollowingMouse();
    void followMouse();
    void setPreview(bool previewing);
    void releaseInteraction();

    Wording wording;
    std::uint32_t state = ChoosingObjects;
    bool typed = false;
    Util::Vector3D referencePoint;
    Util::Vector3D cursorPoint;
    Util::Vector3D displacement;
    Util::Vector3D previousCursorPoint;
    std::uint32_t pickMode = 0;
};

} // namespace Operations
} // namespace Core

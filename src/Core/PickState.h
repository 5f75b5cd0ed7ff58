#pragma once

#include "Util/Vector3D.h"

#include <QList>
#include <QMutex>
#include <QPoint>

#include <cstdint>
#include <memory>

namespace Model {
class Object;
}

namespace Core {

namespace Operations {
class Operation;
}

// What operations and the GL view share under one mutex: a copy of the
// selected objects for drawing, and the positions the view picks for
// operations that ask for a point.
class PickState
{
public:
    void setSelectedObjects(const QList<std::shared_ptr<Model::Object>> &objects);
    QList<std::shared_ptr<Model::Object>> getSelectedObjects() const;

    // A point-pick request: the view stores the picked positions while it is set.
    void setPointRequest(bool requested);
    bool isPointRequested() const;
    void setPickedPositions(const Util::Vector3D &first, const Util::Vector3D &second);
    void getPickedPositions(Util::Vector3D &first, Util::Vector3D &second) const;

    // The view's entry points for mouse events over the scene, given the
    // pixel and the world point under the cursor (snapped when the view
    // snaps to its grid). Each shifts the current pixel and point into the
    // previous ones and stores the new ones; the picked positions read back
    // as (current, previous).
    void leftClick(const QPoint &pixel, const Util::Vector3D &point);
    void rightClick(const QPoint &pixel, const Util::Vector3D &point);
    void mouseMove(const QPoint &pixel, const Util::Vector3D &point);
    QPoint getCurrentPixel() const;
    QPoint getPreviousPixel() const;

    // Point requests of the operations that follow the mouse. A request is
    // served once, by the next event of its kind: the point under the cursor
    // goes to `pointTarget`, the slot is emptied and the requester's step runs
    // (outside the mutex, so the step may register again). A scene click also
    // writes 0 to `modeWord`; a scene move writes the previous point to
    // `secondTarget`. A new request replaces the pending one of its kind.
    void requestSceneClick(Operations::Operation *requester, Util::Vector3D *pointTarget, std::uint32_t *modeWord);
    void requestSceneMove(Operations::Operation *requester, Util::Vector3D *pointTarget, Util::Vector3D *secondTarget);
    bool hasSceneClickRequest() const;
    bool hasSceneMoveRequest() const;
    // Drops the requests of one requester (an operation that goes away).
    void forgetRequester(const Operations::Operation *requester);

    // Forgets every request, target, position and the selection copy.
    void clear();

private:
    struct PointRequest
    {
        Operations::Operation *requester = nullptr;
        Util::Vector3D *pointTarget = nullptr;
        Util::Vector3D *secondTarget = nullptr;
        std::uint32_t *modeWord = nullptr;
    };

    // Records the event and takes the request it serves (empty when none).
    PointRequest recordSceneEvent(const QPoint &pixel, const Util::Vector3D &point, PointRequest *slot);
    static void serve(const PointRequest &request);

    mutable QMutex mutex;
    QList<std::shared_ptr<Model::Object>> selected;
    bool pointRequested = false;
    Util::Vector3D firstPosition;
    Util::Vector3D secondPosition;
    QPoint currentPixel;
    QPoint previousPixel;
    PointRequest clickRequest;
    PointRequest moveRequest;
};

} // namespace Core

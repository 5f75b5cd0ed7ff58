#pragma once

#include "Util/Vector3D.h"

#include <QList>
#include <QMutex>
#include <QPoint>

#include <memory>

namespace Model {
class Object;
}

namespace Core {

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

    void clear();

private:
    void recordSceneEvent(const QPoint &pixel, const Util::Vector3D &point);

    mutable QMutex mutex;
    QList<std::shared_ptr<Model::Object>> selected;
    bool pointRequested = false;
    Util::Vector3D firstPosition;
    Util::Vector3D secondPosition;
    QPoint currentPixel;
    QPoint previousPixel;
};

} // namespace Core

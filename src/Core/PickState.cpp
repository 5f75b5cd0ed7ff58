#include "PickState.h"

#include <QMutexLocker>

namespace Core {

void PickState::setSelectedObjects(const QList<std::shared_ptr<Model::Object>> &objects)
{
    QMutexLocker locker(&mutex);
    selected = objects;
}

QList<std::shared_ptr<Model::Object>> PickState::getSelectedObjects() const
{
    QMutexLocker locker(&mutex);
    return selected;
}

void PickState::setPointRequest(bool requested)
{
    QMutexLocker locker(&mutex);
    pointRequested = requested;
}

bool PickState::isPointRequested() const
{
    QMutexLocker locker(&mutex);
    return pointRequested;
}

void PickState::setPickedPositions(const Util::Vector3D &first, const Util::Vector3D &second)
{
    QMutexLocker locker(&mutex);
    firstPosition = first;
    secondPosition = second;
}

void PickState::getPickedPositions(Util::Vector3D &first, Util::Vector3D &second) const
{
    QMutexLocker locker(&mutex);
    first = firstPosition;
    second = secondPosition;
}

void PickState::leftClick(const QPoint &pixel, const Util::Vector3D &point)
{
    recordSceneEvent(pixel, point);
}

void PickState::rightClick(const QPoint &pixel, const Util::Vector3D &point)
{
    recordSceneEvent(pixel, point);
}

void PickState::mouseMove(const QPoint &pixel, const Util::Vector3D &point)
{
    recordSceneEvent(pixel, point);
}

QPoint PickState::getCurrentPixel() const
{
    QMutexLocker locker(&mutex);
    return currentPixel;
}

QPoint PickState::getPreviousPixel() const
{
    QMutexLocker locker(&mutex);
    return previousPixel;
}

void PickState::clear()
{
    QMutexLocker locker(&mutex);
    selected.clear();
    pointRequested = false;
    firstPosition = Util::Vector3D();
    secondPosition = Util::Vector3D();
    currentPixel = QPoint();
    previousPixel = QPoint();
}

void PickState::recordSceneEvent(const QPoint &pixel, const Util::Vector3D &point)
{
    QMutexLocker locker(&mutex);
    previousPixel = currentPixel;
    currentPixel = pixel;
    secondPosition = firstPosition;
    firstPosition = point;
}

} // namespace Core

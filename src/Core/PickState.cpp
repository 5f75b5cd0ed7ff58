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

void PickState::clear()
{
    QMutexLocker locker(&mutex);
    selected.clear();
    pointRequested = false;
    firstPosition = Util::Vector3D();
    secondPosition = Util::Vector3D();
}

} // namespace Core

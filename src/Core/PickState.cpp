#include "PickState.h"

#include "Core/Operations/Lifecycle/Operation.h"

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
    serve(recordSceneEvent(pixel, point, &clickRequest));
}

void PickState::rightClick(const QPoint &pixel, const Util::Vector3D &point)
{
    recordSceneEvent(pixel, point, nullptr);
}

void PickState::mouseMove(const QPoint &pixel, const Util::Vector3D &point)
{
    serve(recordSceneEvent(pixel, point, &moveRequest));
}

void PickState::requestSceneClick(Operations::Operation *requester, Util::Vector3D *pointTarget,
                                  std::uint32_t *modeWord)
{
    QMutexLocker locker(&mutex);
    clickRequest = PointRequest{requester, pointTarget, nullptr, modeWord};
}

void PickState::requestSceneMove(Operations::Operation *requester, Util::Vector3D *pointTarget,
                                 Util::Vector3D *secondTarget)
{
    QMutexLocker locker(&mutex);
    moveRequest = PointRequest{requester, pointTarget, secondTarget, nullptr};
}

bool PickState::hasSceneClickRequest() const
{
    QMutexLocker locker(&mutex);
    return clickRequest.requester != nullptr;
}

bool PickState::hasSceneMoveRequest() const
{
    QMutexLocker locker(&mutex);
    return moveRequest.requester != nullptr;
}

void PickState::forgetRequester(const Operations::Operation *requester)
{
    QMutexLocker locker(&mutex);
    if (clickRequest.requester == requester)
        clickRequest = PointRequest();
    if (moveRequest.requester == requester)
        moveRequest = PointRequest();
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
    clickRequest = PointRequest();
    moveRequest = PointRequest();
}

PickState::PointRequest PickState::recordSceneEvent(const QPoint &pixel, const Util::Vector3D &point,
                                                    PointRequest *slot)
{
    QMutexLocker locker(&mutex);
    previousPixel = currentPixel;
    currentPixel = pixel;
    secondPosition = firstPosition;
    firstPosition = point;
    if (!slot || !slot->requester)
        return PointRequest();
    const PointRequest request = *slot;
    *slot = PointRequest();
    if (request.pointTarget)
        *request.pointTarget = point;
    if (request.secondTarget)
        *request.secondTarget = secondPosition;
    if (request.modeWord)
        *request.modeWord = 0;
    return request;
}

void PickState::serve(const PointRequest &request)
{
    if (request.requester)
        request.requester->step();
}

} // namespace Core

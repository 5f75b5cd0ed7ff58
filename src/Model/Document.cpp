#include "Document.h"

#include "Layer.h"
#include "Object.h"

#include <QMutexLocker>

namespace Model {

Document::Document()
{
    currentLayer = std::make_shared<Layer>(0);
    layers.append(currentLayer);
}

void Document::addObject(const std::shared_ptr<Object> &object)
{
    QMutexLocker locker(&layersMutex);
    currentLayer->addObject(object);
}

void Document::removeObject(const std::shared_ptr<Object> &object)
{
    QMutexLocker locker(&layersMutex);
    currentLayer->removeObject(object);
}

Document::Placement Document::takeObject(const std::shared_ptr<Object> &object)
{
    QMutexLocker locker(&layersMutex);
    for (const auto &layer : layers) {
        const int index = layer->indexOf(object);
        if (index >= 0) {
            layer->removeObject(object);
            return Placement{layer, index};
        }
    }
    return Placement();
}

void Document::restoreObject(const std::shared_ptr<Object> &object, const Placement &placement)
{
    QMutexLocker locker(&layersMutex);
    if (placement.layer && layers.contains(placement.layer))
        placement.layer->insertObject(placement.index, object);
    else
        currentLayer->addObject(object);
}

void Document::draw(bool drawObject, bool drawOutlines)
{
    QMutexLocker locker(&layersMutex);
    for (const auto &layer : layers)
        layer->draw(drawObject, drawOutlines);
}

void Document::drawPickBoxes()
{
    QMutexLocker locker(&layersMutex);
    for (const auto &layer : layers)
        layer->drawPickBoxes();
}

QList<std::shared_ptr<Object>> Document::getAllObjects()
{
    QMutexLocker locker(&layersMutex);
    QList<std::shared_ptr<Object>> all;
    for (const auto &layer : layers)
        all.append(layer->getObjects());
    return all;
}

std::shared_ptr<Object> Document::findObject(std::uint32_t objectId)
{
    QMutexLocker locker(&layersMutex);
    for (const auto &layer : layers) {
        if (auto object = layer->findObject(objectId))
            return object;
    }
    return {};
}

QList<std::shared_ptr<Layer>> Document::getLayers()
{
    QMutexLocker locker(&layersMutex);
    return layers;
}

QString Document::getFileName()
{
    QMutexLocker locker(&fileNameMutex);
    return fileName;
}

void Document::setFileName(const QString &name)
{
    QMutexLocker locker(&fileNameMutex);
    fileName = name;
}

void Document::reset()
{
    {
        QMutexLocker locker(&layersMutex);
        layers.clear();
        currentLayer = std::make_shared<Layer>(0);
        layers.append(currentLayer);
    }
    setFileName(QString());
}

} // namespace Model

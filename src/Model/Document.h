#pragma once

#include <QList>
#include <QMutex>
#include <QString>

#include <cstdint>
#include <memory>

namespace Model {

class Layer;
class Object;

// The layers of scene objects of one main window and its file name.
class Document
{
public:
    Document();

    void addObject(const std::shared_ptr<Object> &object);
    void removeObject(const std::shared_ptr<Object> &object);

    // Where an object stands: its layer and its position in that layer.
    struct Placement
    {
        std::shared_ptr<Layer> layer; // empty: the document does not hold the object
        int index = -1;
    };
    // Removes the object from whichever layer holds it and says where it was.
    Placement takeObject(const std::shared_ptr<Object> &object);
    // Puts a taken object back at its place; into the current layer when its
    // layer is no longer part of the document.
    void restoreObject(const std::shared_ptr<Object> &object, const Placement &placement);
    void draw(bool drawObject, bool drawOutlines);
    void drawPickBoxes();
    QList<std::shared_ptr<Object>> getAllObjects();
    std::shared_ptr<Object> findObject(std::uint32_t objectId);
    QList<std::shared_ptr<Layer>> getLayers();

    QString getFileName();
    void setFileName(const QString &name);

    // One new empty layer 0 and no file name.
    void reset();

private:
    QMutex layersMutex;
    QMutex fileNameMutex;
    QList<std::shared_ptr<Layer>> layers;
    std::shared_ptr<Layer> currentLayer;
    QString fileName;
};

} // namespace Model

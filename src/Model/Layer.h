#pragma once

#include <QList>

#include <cstdint>
#include <memory>

namespace Model {

class Object;

// An ordered group of scene objects.
class Layer
{
public:
    explicit Layer(std::uint32_t layerId = 0) : layerId(layerId) {}

    void addObject(const std::shared_ptr<Object> &object);
    // Puts the object at `index` (cut to the list), so a removed object can
    // go back to the place it had.
    void insertObject(int index, const std::shared_ptr<Object> &object);
    // Position of the object in the list, -1 when the layer does not hold it.
    int indexOf(const std::shared_ptr<Object> &object) const { return objects.indexOf(object); }
    // Removes every entry that holds the same object.
    void removeObject(const std::shared_ptr<Object> &object);
    std::shared_ptr<Object> findObject(std::uint32_t objectId) const;
    QList<std::shared_ptr<Object>> getObjects() const { return objects; }
    std::uint32_t getLayerId() const { return layerId; }

    // Draws the objects in normal rendering, or their pick boxes under their
    // ids in the selection pass, depending on the GL render mode.
    void draw(bool drawObject, bool drawOutlines) const;
    void drawPickBoxes() const;

private:
    QList<std::shared_ptr<Object>> objects;
    std::uint32_t layerId;
};

} // namespace Model

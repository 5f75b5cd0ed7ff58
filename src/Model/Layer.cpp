#include "Layer.h"

#include "Object.h"

#include <GL/gl.h>

namespace Model {

void Layer::addObject(const std::shared_ptr<Object> &object)
{
    objects.append(object);
}

void Layer::insertObject(int index, const std::shared_ptr<Object> &object)
{
    objects.insert(qBound(0, index, objects.size()), object);
}

void Layer::removeObject(const std::shared_ptr<Object> &object)
{
    objects.removeAll(object);
}

std::shared_ptr<Object> Layer::findObject(std::uint32_t objectId) const
{
    for (const auto &object : objects) {
        if (object && object->getObjectId() == objectId)
            return object;
    }
    return {};
}

void Layer::draw(bool drawObject, bool drawOutlines) const
{
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    if (mode == GL_RENDER) {
        for (const auto &object : objects)
            object->draw(drawObject, drawOutlines);
    } else if (mode == GL_SELECT) {
        drawPickBoxes();
    }
}

void Layer::drawPickBoxes() const
{
    for (const auto &object : objects) {
        glPushName(object->getObjectId());
        object->drawPickBox();
        glPopName();
    }
}

} // namespace Model

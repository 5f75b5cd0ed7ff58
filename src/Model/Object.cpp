#include "Object.h"

#include "Util/ColorSettings.h"

namespace Model {

std::atomic<std::uint32_t> Object::nextObjectId{0};

Object::Object()
    : color(Util::ColorSettings::color(Util::ColorSettings::ObjectColor, 0))
    , secondColor(Util::ColorSettings::color(Util::ColorSettings::OutlineColor, 0))
    , objectId(nextObjectId.fetch_add(1))
{
}

Util::Vector4D Object::getColor() const
{
    return color;
}

Util::Vector3D Object::getSecondColor() const
{
    return Util::Vector3D(secondColor);
}

void Object::setColor(const Util::Vector4D &c)
{
    color = c;
}

void Object::setSecondColor(const Util::Vector4D &c)
{
    secondColor = c;
}

void Object::setSelected(bool value)
{
    selected = value;
}

bool Object::isSelected() const
{
    return selected;
}

std::uint32_t Object::peekNextObjectId()
{
    return nextObjectId.load();
}

} // namespace Model

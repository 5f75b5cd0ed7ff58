#pragma once

#include "Util/Vector3D.h"
#include "Util/Vector4D.h"

#include <atomic>
#include <cstdint>

namespace Model {

// Base of everything that can be placed, drawn, picked, selected, moved and
// saved in the scene. Object ids come from one process-wide counter.
class Object
{
public:
    Object();
    virtual ~Object() = default;

    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    virtual std::uint32_t getObjectType() const = 0;
    virtual void draw(bool drawObject, bool drawOutlines) = 0;
    virtual void drawPickBox() = 0;
    // A new heap object owned by the caller, or nullptr for objects that cannot be copied.
    virtual Object *clone() = 0;
    virtual void translate(Util::Vector3D delta) = 0;
    // Reserved transformation; no object kind gives it an effect.
    virtual void transform(Util::Vector3D first, Util::Vector3D second) = 0;

    virtual Util::Vector4D getColor() const;
    virtual Util::Vector3D getSecondColor() const;
    virtual void setColor(const Util::Vector4D &color);
    virtual void setSecondColor(const Util::Vector4D &color);
    virtual void setSelected(bool selected);
    virtual bool isSelected() const;

    std::uint32_t getObjectId() const { return objectId; }
    void setPreviewing(bool value) { previewing = value; }
    bool isPreviewing() const { return previewing; }
    void setPreviewOffset(const Util::Vector3D &offset) { previewOffset = offset; }
    Util::Vector3D getPreviewOffset() const { return previewOffset; }

    // The id the next object will take (tests and the document loader use it).
    static std::uint32_t peekNextObjectId();

private:
    Util::Vector4D color;
    Util::Vector4D secondColor;
    std::uint32_t objectId;
    bool previewing = false;
    Util::Vector3D previewOffset;
    bool selected = false;

    static std::atomic<std::uint32_t> nextObjectId;
};

} // namespace Model

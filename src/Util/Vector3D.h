#pragma once

#include "Vector4D.h"

namespace Util {

// A Vector4D whose constructors set w to 0.
class Vector3D : public Vector4D
{
public:
    Vector3D() = default;
    explicit Vector3D(double value) : Vector4D(value, value, value, 0.0) {}
    Vector3D(double x, double y, double z) : Vector4D(x, y, z, 0.0) {}
    Vector3D(const Vector4D &other) : Vector4D(other.x, other.y, other.z, 0.0) {} // NOLINT: implicit by design
    Vector3D(const Vector3D &) = default;
    Vector3D &operator=(const Vector3D &) = default;
};

} // namespace Util

Q_DECLARE_METATYPE(Util::Vector3D)

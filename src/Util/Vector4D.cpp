#include "Vector4D.h"

#include "ColorSettings.h"

namespace Util {

Vector4D::Vector4D(double value)
    : x(value), y(value), z(value), w(value)
{
}

Vector4D::Vector4D(double x_, double y_, double z_, double w_)
    : x(x_), y(y_), z(z_), w(w_)
{
}

Vector4D::Vector4D(int row, int column)
{
    *this = ColorSettings::color(row, column);
}

double &Vector4D::operator[](int index)
{
    switch (index) {
    case 0: return x;
    case 1: return y;
    case 2: return z;
    default: return w;
    }
}

double Vector4D::operator[](int index) const
{
    switch (index) {
    case 0: return x;
    case 1: return y;
    case 2: return z;
    default: return w;
    }
}

Vector4D Vector4D::operator+(const Vector4D &o) const
{
    return Vector4D(x + o.x, y + o.y, z + o.z, w + o.w);
}

Vector4D Vector4D::operator-(const Vector4D &o) const
{
    return Vector4D(x - o.x, y - o.y, z - o.z, w - o.w);
}

Vector4D &Vector4D::operator+=(const Vector4D &o)
{
    x += o.x;
    y += o.y;
    z += o.z;
    w += o.w;
    return *this;
}

void Vector4D::assign(const Vector4D &o)
{
    x = o.x;
    y = o.y;
    z = o.z;
    w = o.w;
}

void Vector4D::assignXyz(const Vector4D &o)
{
    x = o.x;
    y = o.y;
    z = o.z;
}

bool Vector4D::operator==(const Vector4D &o) const
{
    return x == o.x && y == o.y && z == o.z && w == o.w;
}

Vector4D operator*(double f, const Vector4D &v)
{
    return Vector4D(f * v.x, f * v.y, f * v.z, f * v.w);
}

} // namespace Util

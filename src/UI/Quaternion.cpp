#include "Quaternion.h"

#include <cmath>

namespace Ui {

namespace {
constexpr double pi = 3.14159265358979323846;
}

Quaternion::Quaternion(double qw, double qx, double qy, double qz)
    : w(qw), x(qx), y(qy), z(qz)
{
}

Quaternion Quaternion::fromAxisAngle(double ax, double ay, double az, double degrees)
{
    const double half = degrees * pi / 360.0;
    const double s = std::sin(half);
    return Quaternion(std::cos(half), ax * s, ay * s, az * s);
}

Quaternion Quaternion::operator*(const Quaternion &b) const
{
    return Quaternion(w * b.w - x * b.x - y * b.y - z * b.z,
                      w * b.x + x * b.w + y * b.z - z * b.y,
                      w * b.y - x * b.z + y * b.w + z * b.x,
                      w * b.z + x * b.y - y * b.x + z * b.w);
}

double Quaternion::length() const
{
    return std::sqrt(w * w + x * x + y * y + z * z);
}

Quaternion Quaternion::normalized() const
{
    const double n = length();
    if (!(n > 0.0) || !std::isfinite(n))
        return Quaternion();
    return Quaternion(w / n, x / n, y / n, z / n);
}

bool Quaternion::isFinite() const
{
    return std::isfinite(w) && std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

void Quaternion::toMatrix(double m[16]) const
{
    m[0] = w * w + x * x - y * y - z * z;
    m[1] = 2.0 * w * z + 2.0 * x * y;
    m[2] = 2.0 * x * z - 2.0 * w * y;
    m[3] = 0.0;

    m[4] = 2.0 * x * y - 2.0 * w * z;
    m[5] = w * w - x * x + y * y - z * z;
    m[6] = 2.0 * y * z + 2.0 * w * x;
    m[7] = 0.0;

    m[8] = 2.0 * x * z + 2.0 * w * y;
    m[9] = 2.0 * y * z - 2.0 * w * x;
    m[10] = w * w - x * x - y * y + z * z;
    m[11] = 0.0;

    m[12] = 0.0;
    m[13] = 0.0;
    m[14] = 0.0;
    m[15] = 1.0;
}

void Quaternion::rotate(double v[3]) const
{
    double m[16];
    toMatrix(m);
    const double r[3] = {
        m[0] * v[0] + m[4] * v[1] + m[8] * v[2],
        m[1] * v[0] + m[5] * v[1] + m[9] * v[2],
        m[2] * v[0] + m[6] * v[1] + m[10] * v[2],
    };
    v[0] = r[0];
    v[1] = r[1];
    v[2] = r[2];
}

} // namespace Ui

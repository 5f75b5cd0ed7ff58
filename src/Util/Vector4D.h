#pragma once

#include <QMetaType>

namespace Util {

// Four doubles x, y, z, w: positions, displacements and RGBA colours.
class Vector4D
{
public:
    Vector4D() = default;
    explicit Vector4D(double value);
    Vector4D(double x, double y, double z, double w);
    // An entry (colour index, scheme) of the program's colour settings table.
    Vector4D(int row, int column);
    virtual ~Vector4D() = default;

    Vector4D(const Vector4D &) = default;
    Vector4D &operator=(const Vector4D &) = default;

    // 0 x, 1 y, 2 z, any other index w.
    double &operator[](int index);
    double operator[](int index) const;

    Vector4D operator+(const Vector4D &other) const;
    Vector4D operator-(const Vector4D &other) const;
    Vector4D &operator+=(const Vector4D &other);

    void assign(const Vector4D &other);
    void assignXyz(const Vector4D &other);

    bool operator==(const Vector4D &other) const;
    bool operator!=(const Vector4D &other) const { return !(*this == other); }

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 0.0;
};

Vector4D operator*(double factor, const Vector4D &vector);

} // namespace Util

Q_DECLARE_METATYPE(Util::Vector4D)

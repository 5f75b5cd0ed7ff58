#pragma once

namespace Ui {

// A rotation as a unit quaternion (w, x, y, z), combined with the Hamilton
// product. The view keeps its orientation in one of these.
class Quaternion
{
public:
    Quaternion() = default;
    Quaternion(double w, double x, double y, double z);

    // A turn by `degrees` about the unit axis (ax, ay, az).
    static Quaternion fromAxisAngle(double ax, double ay, double az, double degrees);

    // Hamilton product: (this * other) applies `other` first, then this.
    Quaternion operator*(const Quaternion &other) const;

    double length() const;
    // Scaled back to unit length; the identity when the length is zero.
    Quaternion normalized() const;
    bool isFinite() const;

    // The rotation matrix, column-major for glMultMatrixd.
    void toMatrix(double matrix[16]) const;
    // Rotates the vector v (three components) in place.
    void rotate(double v[3]) const;

    double w = 1.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

} // namespace Ui

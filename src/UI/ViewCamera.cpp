#include "ViewCamera.h"

#include <algorithm>
#include <cmath>

namespace Ui {

ViewCamera::ViewCamera()
{
    updateGridExtent();
}

void ViewCamera::setViewportSize(int w, int h)
{
    width = std::max(w, 1);
    height = std::max(h, 1);
    updateGridExtent();
}

ViewCamera::Ortho ViewCamera::projection() const
{
    const double halfW = width * zoomFactor / 2.0;
    const double halfH = height * zoomFactor / 2.0;
    if (!hasDepthBounds) {
        const double depth = std::floor(std::sqrt(2.0) * std::max(width, height));
        const double halfD = depth * zoomFactor / 2.0;
        return {-halfW, halfW, -halfH, halfH, -halfD, halfD};
    }
    // The eye-space depth of the turned box: its centre's, plus or minus the
    // half extents along the view axis.
    double m[16];
    modelViewMatrix(m);
    const Util::Vector3D c((depthLower.x + depthUpper.x) / 2.0, (depthLower.y + depthUpper.y) / 2.0,
                           (depthLower.z + depthUpper.z) / 2.0);
    const double half[3] = {(depthUpper.x - depthLower.x) / 2.0, (depthUpper.y - depthLower.y) / 2.0,
                            (depthUpper.z - depthLower.z) / 2.0};
    const double centre = m[2] * c.x + m[6] * c.y + m[10] * c.z + m[14];
    const double reach = std::abs(m[2]) * half[0] + std::abs(m[6]) * half[1] + std::abs(m[10]) * half[2];
    // The margin keeps faces on the bounds off the planes; a flat or point
    // box still gets a range of some depth.
    const double diagonal = 2.0 * std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
    const double margin = std::max(depthMargin * diagonal, 1e-3 * std::max(1.0, std::abs(centre)));
    // The eye looks down -z: near is the front (largest z).
    return {-halfW, halfW, -halfH, halfH, -(centre + reach + margin), -(centre - reach - margin)};
}

void ViewCamera::setDepthBounds(const Util::Vector3D &lower, const Util::Vector3D &upper)
{
    const double values[6] = {lower.x, lower.y, lower.z, upper.x, upper.y, upper.z};
    for (double v : values) {
        if (!std::isfinite(v))
            return;
    }
    if (!(lower.x <= upper.x && lower.y <= upper.y && lower.z <= upper.z))
        return;
    depthLower = lower;
    depthUpper = upper;
    hasDepthBounds = true;
}

bool ViewCamera::setZoom(double zoom)
{
    if (!(zoom > 0.0) || !std::isfinite(zoom))
        return false;
    zoomFactor = zoom;
    updateGridExtent();
    return true;
}

void ViewCamera::wheel(int delta)
{
    const double t = delta * wheelFactorPerUnit;
    if (delta < 0)
        setZoom(zoomFactor / (1.0 - t));
    else
        setZoom(zoomFactor * (1.0 + t));
}

void ViewCamera::setTranslation(const Util::Vector3D &translation)
{
    shift = translation;
    updateGridExtent();
}

void ViewCamera::translateStep(Axis axis, int direction)
{
    const double step = (direction < 0 ? -1.0 : 1.0) * keyStepPixels * zoomFactor;
    switch (axis) {
    case AxisX:
        shift.x += step;
        viewGrid.shift(-step, 0.0);
        break;
    case AxisY:
        shift.y += step;
        viewGrid.shift(0.0, -step);
        break;
    case AxisZ:
        shift.z += step;
        break;
    }
}

void ViewCamera::pan(const Util::Vector3D &delta)
{
    shift += delta;
    viewGrid.shift(-delta.x, -delta.y);
}

void ViewCamera::setViewAngle(double a, double b, double c)
{
    const Quaternion qx = Quaternion::fromAxisAngle(1.0, 0.0, 0.0, a);
    const Quaternion qy = Quaternion::fromAxisAngle(0.0, 1.0, 0.0, b);
    const Quaternion qz = Quaternion::fromAxisAngle(0.0, 0.0, 1.0, c);
    orientation = qx * qy * qz;
}

bool ViewCamera::fitBox(const Util::Vector3D &lower, const Util::Vector3D &upper, double fraction)
{
    if (!(lower.x <= upper.x && lower.y <= upper.y && lower.z <= upper.z) || !(fraction > 0.0))
        return false;
    const Util::Vector3D centre((lower.x + upper.x) / 2.0, (lower.y + upper.y) / 2.0, (lower.z + upper.z) / 2.0);
    const double half[3] = {(upper.x - lower.x) / 2.0, (upper.y - lower.y) / 2.0, (upper.z - lower.z) / 2.0};
    double m[16];
    orientation.toMatrix(m);
    // Half extents of the turned box in eye space: |R| applied to the half sizes.
    double eye[3];
    for (int row = 0; row < 3; ++row)
        eye[row] = std::abs(m[row]) * half[0] + std::abs(m[4 + row]) * half[1] + std::abs(m[8 + row]) * half[2];

    setTranslation(Util::Vector3D(-centre.x, -centre.y, -centre.z));
    // The depth range follows the scene, not the zoom: only the outline counts.
    const double across = 2.0 * std::max(eye[0], eye[1]);
    setZoom(across / (fraction * std::min(width, height)));
    return true;
}

void ViewCamera::modelViewMatrix(double m[16]) const
{
    orientation.toMatrix(m);
    // R * T: the translation column is R applied to the translation.
    for (int row = 0; row < 3; ++row)
        m[12 + row] = m[row] * shift.x + m[4 + row] * shift.y + m[8 + row] * shift.z;
}

Util::Vector3D ViewCamera::trackballPoint(double mx, double my, int w, int h)
{
    const double halfW = std::max(w, 1) / 2.0;
    const double halfH = std::max(h, 1) / 2.0;
    double u = (mx - halfW) / halfW;
    double v = -(my - halfH) / halfH;
    const double rest = 1.0 - u * u - v * v;
    if (rest > 0.0)
        return Util::Vector3D(u, v, std::sqrt(rest));
    const double n = std::sqrt(u * u + v * v);
    if (n > 0.0) {
        u /= n;
        v /= n;
    }
    return Util::Vector3D(u, v, 0.0);
}

void ViewCamera::beginTrackball(double mx, double my)
{
    lastPoint = trackballPoint(mx, my, width, height);
}

bool ViewCamera::dragTrackball(double mx, double my)
{
    currentPoint = trackballPoint(mx, my, width, height);
    const Util::Vector3D &a = lastPoint;
    const Util::Vector3D &b = currentPoint;
    const double axis[3] = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    const double n = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (!(n > 1e-12))
        return false;
    const double d = a.x * b.x + a.y * b.y + a.z * b.z;
    const double k = (d + 1.0) / 2.0;
    const double s = std::sqrt(1.0 - k) / n;
    const Quaternion step(std::sqrt(k), axis[0] * s, axis[1] * s, axis[2] * s);
    const Quaternion turned = step * orientation;
    if (!turned.isFinite())
        return false;
    // Renormalised so that rounding does not build up over long drags.
    orientation = turned.normalized();
    lastPoint = currentPoint;
    return true;
}

Util::Vector3D ViewCamera::unproject(double wx, double wy, double wz) const
{
    const Ortho box = projection();
    // Window to eye coordinates; the box is symmetric about the view centre
    // across, and window depth runs linearly from the near plane to the far.
    const double eye[3] = {
        (2.0 * wx / width - 1.0) * box.right,
        (2.0 * wy / height - 1.0) * box.top,
        -(box.nearPlane + wz * (box.farPlane - box.nearPlane)),
    };
    // Eye to world: undo the rotation (transpose), then the translation.
    double m[16];
    orientation.toMatrix(m);
    return Util::Vector3D(m[0] * eye[0] + m[1] * eye[1] + m[2] * eye[2] - shift.x,
                          m[4] * eye[0] + m[5] * eye[1] + m[6] * eye[2] - shift.y,
                          m[8] * eye[0] + m[9] * eye[1] + m[10] * eye[2] - shift.z);
}

Util::Vector3D ViewCamera::project(const Util::Vector3D &world) const
{
    double m[16];
    modelViewMatrix(m);
    double eye[3];
    for (int row = 0; row < 3; ++row)
        eye[row] = m[row] * world.x + m[4 + row] * world.y + m[8 + row] * world.z + m[12 + row];
    const Ortho box = projection();
    return Util::Vector3D((eye[0] / box.right + 1.0) * width / 2.0,
                          (eye[1] / box.top + 1.0) * height / 2.0,
                          (-eye[2] - box.nearPlane) / (box.farPlane - box.nearPlane));
}

double ViewCamera::unprojectDepth(float depth)
{
    return depth > emptyDepth ? fallbackDepth : double(depth);
}

void ViewCamera::updateGridExtent()
{
    const double halfW = width * zoomFactor / 2.0;
    const double halfH = height * zoomFactor / 2.0;
    viewGrid.setExtent(-shift.x - halfW, -shift.y - halfH, halfW - shift.x, halfH - shift.y);
}

} // namespace Ui

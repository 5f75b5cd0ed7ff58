#pragma once

#include "Quaternion.h"
#include "ViewGrid.h"
#include "Util/Vector3D.h"

namespace Ui {

// The camera of the GL view as plain numbers: orthographic zoom, scene
// translation, trackball rotation, the ground grid that follows them, and the
// arithmetic of the mouse and keyboard gestures. Nothing here needs a GL
// context; the view turns it into matrices.
class ViewCamera
{
public:
    enum Axis { AxisX = 0, AxisY = 1, AxisZ = 2 };

    struct Ortho
    {
        double left, right, bottom, top, nearPlane, farPlane;
    };

    // Pixels one translation key moves the scene by.
    static constexpr double keyStepPixels = 5.0;
    // Zoom change per wheel unit (120 units per notch).
    static constexpr double wheelFactorPerUnit = 0.01;
    // Depth buffer values above this mean nothing was drawn at a pixel.
    static constexpr float emptyDepth = 0.999999f;
    static constexpr double fallbackDepth = 0.5;
    // Share of the viewport's smaller side a fitted scene spans.
    static constexpr double fitFraction = 0.8;
    // The isometric view (degrees about x and z): x runs to the lower right,
    // y to the upper right and z up, the three visible faces equally lit.
    static constexpr double isometricAngleX = -54.735610317245346;
    static constexpr double isometricAngleZ = -45.0;

    ViewCamera();

    // The widget's size in device pixels (at least 1 x 1).
    void setViewportSize(int width, int height);
    int viewportWidth() const { return width; }
    int viewportHeight() const { return height; }
    // Orthographic box: w*zoom by h*zoom about the centre. Its near and far
    // planes hold the depth bounds (below) in the current rotation and
    // translation with a margin, whatever the zoom, so zooming in never cuts
    // into the scene; without bounds the box is as deep as the window's
    // diagonal in any rotation.
    Ortho projection() const;
    // The world box everything drawn lies in (the view gives it every frame).
    // A box with lower > upper on some axis, or not finite, is ignored.
    void setDepthBounds(const Util::Vector3D &lower, const Util::Vector3D &upper);
    void clearDepthBounds() { hasDepthBounds = false; }
    // Share of the bounds' diagonal added in front of and behind them.
    static constexpr double depthMargin = 0.05;

    // World units per device pixel; larger is zoomed out.
    double zoom() const { return zoomFactor; }
    // Only a positive, finite zoom is taken. True when taken.
    bool setZoom(double zoom);
    // One wheel event; `delta` in wheel units (120 per notch). Up zooms out.
    void wheel(int delta);

    Util::Vector3D translation() const { return shift; }
    void setTranslation(const Util::Vector3D &translation);
    // One translation key: five pixels' worth along `axis` in the sense of
    // `direction` (+1 or -1); the grid follows x and y moves.
    void translateStep(Axis axis, int direction);
    // A pan step by a world displacement; the grid follows.
    void pan(const Util::Vector3D &delta);
    Util::Vector3D panAnchor() const { return anchor; }
    void setPanAnchor(const Util::Vector3D &point) { anchor = point; }

    Quaternion rotation() const { return orientation; }
    void setRotation(const Quaternion &rotation) { orientation = rotation.normalized(); }
    // Turns about x by a, then y by b, then z by c (degrees): qx * qy * qz.
    void setViewAngle(double a, double b, double c);
    // Centres the box [lower, upper] (world units) in the view, so turning
    // goes about its centre, and zooms so that its outline in the current
    // rotation spans `fraction` of the viewport's smaller side. An empty box
    // changes nothing; a box of no extent is only centred. True when
    // anything changed.
    bool fitBox(const Util::Vector3D &lower, const Util::Vector3D &upper, double fraction = fitFraction);
    // Rotation then translation, column-major: the scene's model-view matrix.
    void modelViewMatrix(double matrix[16]) const;

    // The point of the virtual trackball under pixel (mx, my).
    static Util::Vector3D trackballPoint(double mx, double my, int width, int height);
    void beginTrackball(double mx, double my);
    // Turns by the angle between the last and the current trackball point.
    // False when the rotation did not change: points too close together, or
    // a step that came out as a numeric error (which is dropped).
    bool dragTrackball(double mx, double my);
    Util::Vector3D trackballLast() const { return lastPoint; }

    // The world point at GL window coordinates (wx, wy counted up from the
    // bottom edge) and window depth wz in [0, 1], through the same
    // projection and model-view matrices the view draws with.
    Util::Vector3D unproject(double wx, double wy, double wz) const;
    // GL window coordinates (x, y up, depth) of a world point.
    Util::Vector3D project(const Util::Vector3D &world) const;
    // The window depth used to unproject a pixel whose depth buffer holds `depth`.
    static double unprojectDepth(float depth);

    ViewGrid &grid() { return viewGrid; }
    const ViewGrid &grid() const { return viewGrid; }

private:
    // The grid covers what the top view shows.
    void updateGridExtent();

    int width = 1;
    int height = 1;
    double zoomFactor = 1.0;
    Util::Vector3D lastPoint{1.0, 0.0, 0.0};
    Util::Vector3D currentPoint{1.0, 0.0, 0.0};
    Util::Vector3D shift;
    Util::Vector3D anchor;
    Quaternion orientation;
    ViewGrid viewGrid;
    bool hasDepthBounds = false;
    Util::Vector3D depthLower;
    Util::Vector3D depthUpper;
};

} // namespace Ui

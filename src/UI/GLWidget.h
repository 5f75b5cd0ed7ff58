#pragma once

#include "UI/CrossSection/SectionPlane.h"
#include "ViewCamera.h"
#include "ViewOverlay.h"

#include <QList>
#include <QOpenGLWidget>
#include <QPointer>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

class QShortcut;
class QSurfaceFormat;

namespace Core {
class Workspace;
}

namespace Ui {

// The OpenGL view in the centre of the main window: draws every object of
// the workspace's document, turns (trackball), pans and zooms the scene,
// picks objects for the selection, draws a ground grid with snapping and
// hands the world point under the mouse to the pick state.
//
// Drawing is fixed-function GL 1.x, so the context is a compatibility one.
// The camera arithmetic lives in ViewCamera; this class only turns it into
// GL calls and mouse handling. The axis triad, scale bar and material legend
// are drawn over the scene by a ViewOverlay, with a QPainter at the end of
// every frame, so saved pictures carry them too.
class GLWidget : public QOpenGLWidget
{
    Q_OBJECT

public:
    static constexpr int selectBufferSize = 2048;
    static constexpr int pickRegionPixels = 4;

    explicit GLWidget(Core::Workspace *workspace, QWidget *parent = nullptr);
    ~GLWidget() override;

    // The format asked for: double buffer, depth, RGBA with alpha, no
    // stencil, stereo or multisampling, compatibility profile.
    static QSurfaceFormat requestedFormat();
    // The application-wide default: the same but without alpha. Every window
    // takes the default format, and a window with alpha gets a 32-bit visual
    // that an X server without a compositor shows as black; the view draws
    // into its own buffer, which keeps the alpha of requestedFormat.
    static QSurfaceFormat defaultFormat();
    // One warning for each wanted property missing from `obtained`.
    static QStringList formatWarnings(const QSurfaceFormat &obtained, bool directRendering);
    // The hit record nearest to the viewer in a select buffer (records of
    // name count, minimum depth, maximum depth, names) after `hits` records,
    // or -1 after an overflow: the position of its name count, or -1 when
    // no whole record holds a name. Ties go to the record drawn first.
    static int nearestHitRecord(const unsigned int *buffer, int bufferSize, int hits);

    bool lighting() const { return lightingOn; }
    void setLighting(bool on);
    bool drawObjects() const { return objectsOn; }
    void setDrawObjects(bool on);
    bool drawOutlines() const { return outlinesOn; }
    void setDrawOutlines(bool on);
    bool showGrid() const { return gridOn; }
    void setShowGrid(bool on);
    bool snapToGrid() const { return snapOn; }
    void setSnapToGrid(bool on);
    double gridSpacing() const { return camera.grid().spacing(); }
    // A spacing that is not positive keeps the previous one.
    void setGridSpacing(double spacing);
    const ViewGrid &grid() const { return camera.grid(); }

    double zoom() const { return camera.zoom(); }
    // A zoom that is not positive is ignored.
    void setZoom(double zoom);
    Util::Vector3D translation() const { return camera.translation(); }
    void setTranslation(const Util::Vector3D &translation);
    // Angles in degrees about x, y and z (the named views use fixed ones).
    void setViewAngle(double x, double y, double z);
    Quaternion rotation() const { return camera.rotation(); }
    const ViewCamera &viewCamera() const { return camera; }

    // The bounding box of every object of the document, in world units.
    // False when there is nothing to frame.
    bool sceneBounds(Util::Vector3D &lower, Util::Vector3D &upper) const;
    // Frames for tests and diagnostics: paintGL calls so far.
    int framesPainted() const { return frames; }

    // The world point under a widget position, as a click there would hand
    // it over (snapped when snapping is on). Needs a shown view.
    Util::Vector3D worldPointAt(const QPoint &position);

    // Logical pixels per scene micrometre (one scene unit), the same at
    // every depth: the projection is orthographic.
    double pixelsPerMicrometre() const;
    bool overlayShown(ViewOverlay::Part part) const { return overlay.isShown(part); }
    void setOverlayShown(ViewOverlay::Part part, bool on);
    // Where the last frame drew the overlays, and the scale bar it chose.
    const ViewOverlay::Layout &overlayLayout() const { return overlay.lastLayout(); }
    // Material ids in the shown (not hidden) volumes as last counted, ascending.
    const std::vector<std::uint32_t> &legendMaterialIds() const { return legendIds; }
    // Counts the materials of the shown volumes again when any volume was
    // added, removed, hidden, shown or written since the last count. Waits
    // (retrying shortly) while a process holds a volume's cells.
    void refreshMaterialLegend();
    // The plane of the cross section, drawn as a translucent rectangle
    // across the volume while it is shown.
    void setSectionPlane(const CrossSection::SectionPlane &plane);
    const CrossSection::SectionPlane &sectionPlane() const { return plane; }
    // The frame as a picture, overlays included, its legend brought up to
    // date first when no process holds the cells (a Save Image step waits
    // between processes, so it always gets the current one).
    QImage grabImage();

signals:
    // The scene position under the cursor in µm while it lies on a drawn
    // volume; empty when it leaves it, or the view.
    void cursorPositionChanged(const QString &text);

public slots:
    // Zoom and translation so that every object fills most of the view and
    // turning goes about the scene's centre. Before the view has its size
    // (a window not shown yet) this happens at the first frame.
    void fitToView();
    void increaseTranslateX();
    void increaseTranslateY();
    void increaseTranslateZ();
    void decreaseTranslateX();
    void decreaseTranslateY();
    void decreaseTranslateZ();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void translateStep(ViewCamera::Axis axis, int direction);
    void updateViewportSize();
    QPointF devicePosition(const QPointF &position) const;
    // Loads the camera's projection and the scene's model-view matrix, the
    // projection's depth range fitted to depthBounds().
    void loadSceneMatrices();
    // The world box everything drawn lies in: every object (a volume at its
    // preview place too, with its mask overlays and a cell's margin for the
    // atoms beyond its faces) and the grid while it is shown. False when
    // nothing is drawn.
    bool depthBounds(Util::Vector3D &lower, Util::Vector3D &upper) const;
    // Selection pass at a device pixel; toggles the nearest hit. Context current.
    bool pick(const QPointF &pixel);
    // Window depth under a device pixel (the fallback where nothing is drawn).
    double windowDepthAt(const QPointF &pixel);
    // The depth buffer under a device pixel; 1 outside the frame buffer.
    float bufferDepthAt(const QPointF &pixel);
    Util::Vector3D unprojectAt(const QPointF &pixel, double windowDepth) const;
    void drawGrid();
    void drawSectionPlane();
    void paintOverlay();
    // Per volume: object id, write-lock count and hidden flag. While it stays
    // the same, the legend's ids are those of the shown cells.
    using LegendKey = std::vector<std::array<std::uint64_t, 3>>;
    LegendKey currentLegendKey() const;
    // Counts now unless a volume's cells are held; false when it could not.
    bool countLegendMaterials(bool evenWhileBusy);
    void setCursorText(const QString &text);
    void releaseGL();

    Core::Workspace *workspace;
    ViewCamera camera;
    bool lightingOn = true;
    bool objectsOn = true;
    bool outlinesOn = false;
    bool gridOn = false;
    bool snapOn = false;
    bool fitPending = false;
    // The camera is as the last fit left it: a resize fits again.
    bool framed = false;
    int frames = 0;
    double panDepth = ViewCamera::fallbackDepth;
    std::array<unsigned int, selectBufferSize> selectBuffer{};
    QList<QPointer<QShortcut>> shortcuts;

    // The grid as a display list, rebuilt when its lines change.
    unsigned int gridList = 0;
    std::array<double, 5> gridListKey{};
    bool gridListValid = false;

    ViewOverlay overlay;
    CrossSection::SectionPlane plane;
    std::vector<std::uint32_t> legendIds;
    LegendKey legendKey;
    bool legendCounted = false;
    bool legendRefreshQueued = false;
    QString cursorText;
};

} // namespace Ui

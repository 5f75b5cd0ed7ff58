#include "GLWidget.h"

#include "DirectRendering.h"

#include "Core/PickState.h"
#include "Core/Selection.h"
#include "Core/Workspace.h"
#include "Model/Automaton/MaskOverlay.h"
#include "Model/Automaton/MaterialUsage.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/ModelExtraction/ExtractedModel.h"
#include "Model/ModelExtraction/ExtractedModelPainter.h"
#include "Util/ColorSettings.h"
#include "Util/Logging.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QShortcut>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace Ui {

static_assert(sizeof(GLuint) == sizeof(unsigned int), "select buffer entries are GLuints");

namespace {
// How soon a legend count held up by a running process is tried again.
constexpr int legendRetryMs = 250;
} // namespace

GLWidget::GLWidget(Core::Workspace *ws, QWidget *parent)
    : QOpenGLWidget(parent)
    , workspace(ws)
{
    setFormat(requestedFormat());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    // The translation keys work anywhere in the window that holds the view.
    QWidget *shortcutParent = parent ? parent->window() : this;
    const struct
    {
        Qt::Key key;
        void (GLWidget::*slot)();
    } keys[] = {
        {Qt::Key_Q, &GLWidget::increaseTranslateX},
        {Qt::Key_W, &GLWidget::increaseTranslateY},
        {Qt::Key_E, &GLWidget::increaseTranslateZ},
        {Qt::Key_A, &GLWidget::decreaseTranslateX},
        {Qt::Key_S, &GLWidget::decreaseTranslateY},
        {Qt::Key_D, &GLWidget::decreaseTranslateZ},
    };
    for (const auto &entry : keys) {
        auto *shortcut = new QShortcut(QKeySequence(entry.key), shortcutParent);
        connect(shortcut, &QShortcut::activated, this, entry.slot);
        shortcuts.append(shortcut);
    }
}

GLWidget::~GLWidget()
{
    // The shortcuts belong to the window, which may outlive the view.
    for (const auto &shortcut : qAsConst(shortcuts))
        delete shortcut.data();
    releaseGL();
    // The base class destroys the context after this object is gone: its
    // aboutToBeDestroyed must not reach releaseGL then.
    if (QOpenGLContext *current = context())
        disconnect(current, &QOpenGLContext::aboutToBeDestroyed, this, &GLWidget::releaseGL);
}

QSurfaceFormat GLWidget::requestedFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(0);
    format.setStereo(false);
    format.setSamples(0);
    return format;
}

QSurfaceFormat GLWidget::defaultFormat()
{
    QSurfaceFormat format = requestedFormat();
    format.setAlphaBufferSize(0);
    return format;
}

QStringList GLWidget::formatWarnings(const QSurfaceFormat &obtained, bool directRendering)
{
    const auto missing = [](const char *what) {
        return QStringLiteral("Could not get %1; results will be suboptimal").arg(QLatin1String(what));
    };
    QStringList warnings;
    if (obtained.swapBehavior() == QSurfaceFormat::SingleBuffer)
        warnings << missing("double buffer");
    if (obtained.alphaBufferSize() <= 0)
        warnings << missing("alpha channel");
    if (obtained.depthBufferSize() <= 0)
        warnings << missing("depth buffer");
    if (obtained.redBufferSize() <= 0 || obtained.greenBufferSize() <= 0 || obtained.blueBufferSize() <= 0)
        warnings << missing("rgba mode");
    if (!directRendering)
        warnings << missing("direct rendering");
    return warnings;
}

void GLWidget::setLighting(bool on)
{
    lightingOn = on;
    update();
}

void GLWidget::setDrawObjects(bool on)
{
    objectsOn = on;
    update();
}

void GLWidget::setDrawOutlines(bool on)
{
    outlinesOn = on;
    update();
}

void GLWidget::setShowGrid(bool on)
{
    gridOn = on;
    update();
}

void GLWidget::setSnapToGrid(bool on)
{
    snapOn = on;
    update();
}

void GLWidget::setGridSpacing(double spacing)
{
    if (!camera.grid().setSpacing(spacing))
        qCInfo(lcView) << "Grid spacing" << spacing << "ignored; keeping" << camera.grid().spacing();
    update();
}

void GLWidget::setZoom(double zoom)
{
    framed = false;
    if (!camera.setZoom(zoom))
        qCInfo(lcView) << "Zoom" << zoom << "ignored; keeping" << camera.zoom();
    update();
}

void GLWidget::setTranslation(const Util::Vector3D &translation)
{
    framed = false;
    camera.setTranslation(translation);
    update();
}

void GLWidget::setViewAngle(double x, double y, double z)
{
    framed = false;
    camera.setViewAngle(x, y, z);
    update();
}

bool GLWidget::sceneBounds(Util::Vector3D &lower, Util::Vector3D &upper) const
{
    bool any = false;
    const auto objects = workspace->getDocument().getAllObjects();
    for (const auto &object : objects) {
        const auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object);
        if (!volume)
            continue;
        const Util::Vector3D p = volume->getPosition();
        const Util::Vector3D q(p.x + volume->getSizeX() * double(volume->getCellSizeX()),
                               p.y + volume->getSizeY() * double(volume->getCellSizeY()),
                               p.z + volume->getSizeZ() * double(volume->getCellSizeZ()));
        if (!any) {
            lower = p;
            upper = q;
            any = true;
            continue;
        }
        lower = Util::Vector3D(std::min(lower.x, p.x), std::min(lower.y, p.y), std::min(lower.z, p.z));
        upper = Util::Vector3D(std::max(upper.x, q.x), std::max(upper.y, q.y), std::max(upper.z, q.z));
    }
    return any;
}

bool GLWidget::depthBounds(Util::Vector3D &lower, Util::Vector3D &upper) const
{
    bool any = false;
    auto add = [&](const Util::Vector3D &p, const Util::Vector3D &q) {
        if (!any) {
            lower = p;
            upper = q;
            any = true;
            return;
        }
        lower = Util::Vector3D(std::min(lower.x, p.x), std::min(lower.y, p.y), std::min(lower.z, p.z));
        upper = Util::Vector3D(std::max(upper.x, q.x), std::max(upper.y, q.y), std::max(upper.z, q.z));
    };
    for (const auto &object : workspace->getDocument().getAllObjects()) {
        if (const auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)) {
            const double cell[3] = {double(volume->getCellSizeX()), double(volume->getCellSizeY()),
                                    double(volume->getCellSizeZ())};
            const double pad = std::max({cell[0], cell[1], cell[2]});
            const double masks = Model::Automaton::MaskOverlay::layerOffset * cell[2];
            Util::Vector3D p = volume->getPosition();
            for (int place = 0; place < (volume->isPreviewing() ? 2 : 1); ++place) {
                if (place == 1)
                    p += volume->getPreviewOffset();
                add(Util::Vector3D(p.x - pad, p.y - pad, p.z - pad - masks),
                    Util::Vector3D(p.x + volume->getSizeX() * cell[0] + pad, p.y + volume->getSizeY() * cell[1] + pad,
                                   p.z + volume->getSizeZ() * cell[2] + pad + masks));
            }
        } else if (const auto model = std::dynamic_pointer_cast<Model::ModelExtraction::ExtractedModel>(object)) {
            const Util::Vector3D p = model->getPosition();
            for (const auto &envelope : model->getEnvelopes()) {
                const auto box = Model::ModelExtraction::ExtractedModelPainter::box(*envelope);
                add(Util::Vector3D(p.x + box.lower.x, p.y + box.lower.y, p.z + box.lower.z),
                    Util::Vector3D(p.x + box.upper.x, p.y + box.upper.y, p.z + box.upper.z));
            }
        }
    }
    if (gridOn) {
        const ViewGrid &grid = camera.grid();
        add(Util::Vector3D(grid.xMin(), grid.yMin(), grid.height()), Util::Vector3D(grid.xMax(), grid.yMax(), grid.height()));
    }
    return any;
}

void GLWidget::fitToView()
{
    if (!isVisible()) {
        fitPending = true;
        return;
    }
    fitPending = false;
    updateViewportSize();
    Util::Vector3D lower, upper;
    if (sceneBounds(lower, upper) && camera.fitBox(lower, upper)) {
        framed = true;
        qCDebug(lcView) << "Fitted the scene: zoom" << camera.zoom();
    }
    update();
}

Util::Vector3D GLWidget::worldPointAt(const QPoint &position)
{
    const QPointF pixel = devicePosition(position);
    Util::Vector3D point;
    if (context()) {
        makeCurrent();
        point = unprojectAt(pixel, windowDepthAt(pixel));
        doneCurrent();
    } else {
        point = unprojectAt(pixel, ViewCamera::fallbackDepth);
    }
    return snapOn ? camera.grid().snap(point) : point;
}

double GLWidget::pixelsPerMicrometre() const
{
    // glOrtho spans zoom() scene units per device pixel at every depth, so
    // one number holds for the whole view; the overlay paints in logical
    // pixels, devicePixelRatio device pixels each.
    return 1.0 / (camera.zoom() * devicePixelRatioF());
}

void GLWidget::setOverlayShown(ViewOverlay::Part part, bool on)
{
    overlay.setShown(part, on);
    update();
}

GLWidget::LegendKey GLWidget::currentLegendKey() const
{
    LegendKey key;
    const auto objects = workspace->getDocument().getAllObjects();
    for (const auto &object : objects) {
        auto *volume = dynamic_cast<Model::Automaton::TotalVolume *>(object.get());
        if (volume)
            key.push_back({volume->getObjectId(), volume->writeLockCount(), volume->getPainter().isHidden() ? 1u : 0u});
    }
    return key;
}

bool GLWidget::countLegendMaterials(bool evenWhileBusy)
{
    // A process holds its volume's cells for its whole run: a count then
    // would stall the interface until it ends.
    if (!evenWhileBusy && Core::Workspace::isBusy())
        return false;
    const LegendKey key = currentLegendKey();
    std::vector<std::shared_ptr<Model::Automaton::TotalVolume>> shown;
    const auto objects = workspace->getDocument().getAllObjects();
    for (const auto &object : objects) {
        auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object);
        if (!volume || volume->getPainter().isHidden())
            continue;
        if (volume->cellsLocked())
            return false;
        shown.push_back(volume);
    }
    Model::Automaton::MaterialUsage::Counts total;
    for (const auto &volume : shown)
        Model::Automaton::MaterialUsage::add(total, Model::Automaton::MaterialUsage::count(*volume));
    legendIds.clear();
    for (const auto &entry : total)
        legendIds.push_back(entry.first);
    // The key was taken before the count: a write meanwhile shows as a change next time.
    legendKey = key;
    legendCounted = true;
    return true;
}

void GLWidget::refreshMaterialLegend()
{
    legendRefreshQueued = false;
    if (legendCounted && currentLegendKey() == legendKey)
        return;
    if (countLegendMaterials(false)) {
        update();
        return;
    }
    legendRefreshQueued = true;
    QTimer::singleShot(legendRetryMs, this, &GLWidget::refreshMaterialLegend);
}

QImage GLWidget::grabImage()
{
    if (overlay.isShown(ViewOverlay::Legend) && !(legendCounted && currentLegendKey() == legendKey))
        countLegendMaterials(true);
    return grabFramebuffer();
}

void GLWidget::setCursorText(const QString &text)
{
    if (text == cursorText)
        return;
    cursorText = text;
    emit cursorPositionChanged(text);
}

void GLWidget::increaseTranslateX() { translateStep(ViewCamera::AxisX, 1); }
void GLWidget::increaseTranslateY() { translateStep(ViewCamera::AxisY, 1); }
void GLWidget::increaseTranslateZ() { translateStep(ViewCamera::AxisZ, 1); }
void GLWidget::decreaseTranslateX() { translateStep(ViewCamera::AxisX, -1); }
void GLWidget::decreaseTranslateY() { translateStep(ViewCamera::AxisY, -1); }
void GLWidget::decreaseTranslateZ() { translateStep(ViewCamera::AxisZ, -1); }

void GLWidget::translateStep(ViewCamera::Axis axis, int direction)
{
    framed = false;
    camera.translateStep(axis, direction);
    update();
}

void GLWidget::initializeGL()
{
    QOpenGLContext *current = context();
    connect(current, &QOpenGLContext::aboutToBeDestroyed, this, &GLWidget::releaseGL);
    const QStringList warnings = formatWarnings(current->format(), isDirectRendering(current));
    for (const QString &warning : warnings)
        qCWarning(lcView).noquote() << warning;

    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);

    // Directional lights given with an identity model-view, so they stay
    // fixed relative to the viewer while the scene turns.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat ambient0[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat diffuse0[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat specular0[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position0[] = {1.0f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular0);
    glLightfv(GL_LIGHT0, GL_POSITION, position0);
    glEnable(GL_LIGHT0);
    const GLfloat ambient1[] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse1[] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat position1[] = {-1.0f, -1.0f, -1.0f, 0.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
    glLightfv(GL_LIGHT1, GL_POSITION, position1);
    glEnable(GL_LIGHT1);

    const GLfloat materialSpecular[] = {0.5f, 0.5f, 0.5f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, 64.0f);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);

    updateViewportSize();
}

void GLWidget::resizeGL(int, int)
{
    updateViewportSize();
    if (framed)
        fitToView();
}

void GLWidget::updateViewportSize()
{
    const qreal ratio = devicePixelRatioF();
    camera.setViewportSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
}

QPointF GLWidget::devicePosition(const QPointF &position) const
{
    return position * devicePixelRatioF();
}

void GLWidget::loadSceneMatrices()
{
    Util::Vector3D lower, upper;
    if (depthBounds(lower, upper))
        camera.setDepthBounds(lower, upper);
    else
        camera.clearDepthBounds();
    glViewport(0, 0, camera.viewportWidth(), camera.viewportHeight());
    const ViewCamera::Ortho box = camera.projection();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(box.left, box.right, box.bottom, box.top, box.nearPlane, box.farPlane);
    glMatrixMode(GL_MODELVIEW);
    double matrix[16];
    camera.modelViewMatrix(matrix);
    glLoadMatrixd(matrix);
}

void GLWidget::paintGL()
{
    ++frames;
    if (fitPending)
        fitToView();
    updateViewportSize();
    // The frame buffer is kept opaque: images grabbed from it then show the
    // background as it looks on screen, whatever conversion they go through.
    // Blended faces must not write alpha, or they would punch see-through
    // holes into a grabbed image.
    const Util::Vector4D background = Util::ColorSettings::currentColor(Util::ColorSettings::BackgroundColor);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(GLclampf(background.x), GLclampf(background.y), GLclampf(background.z), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);

    if (lightingOn) {
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
    } else {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
    }

    loadSceneMatrices();
    glPushMatrix();
    if (gridOn) {
        glDepthMask(GL_FALSE);
        drawGrid();
        glDepthMask(GL_TRUE);
    }
    workspace->getDocument().draw(objectsOn, outlinesOn);
    if (plane.shown)
        drawSectionPlane();
    glPopMatrix();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    paintOverlay();
}

void GLWidget::paintOverlay()
{
    // The legend is counted outside the frame: a frame only notices that the
    // volumes changed and asks for a count, drawing the last one meanwhile.
    if (overlay.isShown(ViewOverlay::Legend) && !legendRefreshQueued
        && !(legendCounted && currentLegendKey() == legendKey)) {
        legendRefreshQueued = true;
        QTimer::singleShot(0, this, &GLWidget::refreshMaterialLegend);
    }
    ViewOverlay::Frame frame;
    frame.size = size();
    frame.pixelsPerMicrometre = pixelsPerMicrometre();
    camera.rotation().toMatrix(frame.rotation.data());
    const Util::Vector4D background = Util::ColorSettings::currentColor(Util::ColorSettings::BackgroundColor);
    frame.background = QColor::fromRgbF(std::clamp(background.x, 0.0, 1.0), std::clamp(background.y, 0.0, 1.0),
                                        std::clamp(background.z, 0.0, 1.0));
    if (overlay.isShown(ViewOverlay::Legend))
        frame.legend = ViewOverlay::legendEntries(legendIds);
    // QPainter's triangles are not wound for the scene's back-face culling.
    // It resets the GL state it used when it ends; the next frame sets up
    // its own again.
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    QPainter painter(this);
    overlay.paint(painter, frame);
}

void GLWidget::drawGrid()
{
    const ViewGrid &grid = camera.grid();
    const std::array<double, 5> key = {grid.xMin(), grid.yMin(), grid.xMax(), grid.yMax(), grid.spacing()};
    if (!gridList)
        gridList = glGenLists(1);
    if (!gridList)
        return;
    if (!gridListValid || key != gridListKey) {
        const double z = grid.height();
        glNewList(gridList, GL_COMPILE);
        glBegin(GL_LINES);
        for (const ViewGrid::Line &line : grid.lines()) {
            glVertex3d(line.x0, line.y0, z);
            glVertex3d(line.x1, line.y1, z);
        }
        glEnd();
        glEndList();
        gridListKey = key;
        gridListValid = true;
    }

    const Util::Vector4D color = Util::ColorSettings::currentColor(Util::ColorSettings::GridColor);
    glPushAttrib(GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    glColor3d(color.x, color.y, color.z);
    glCallList(gridList);
    glPopAttrib();
}

void GLWidget::setSectionPlane(const CrossSection::SectionPlane &section)
{
    if (section == plane)
        return;
    plane = section;
    update();
}

void GLWidget::drawSectionPlane()
{
    // The plane lies inside the volume: drawn over the faces without depth
    // test, so it shows where it cuts, and without writing depth, so the
    // picking and cursor reads still find the volume's surface.
    const std::array<Util::Vector3D, 4> corners = plane.corners();
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glColor4d(1.0, 0.8, 0.1, 0.22);
    glBegin(GL_QUADS);
    for (const Util::Vector3D &corner : corners)
        glVertex3d(corner.x, corner.y, corner.z);
    glEnd();
    glLineWidth(2.0f);
    glColor4d(1.0, 0.65, 0.0, 0.95);
    glBegin(GL_LINE_LOOP);
    for (const Util::Vector3D &corner : corners)
        glVertex3d(corner.x, corner.y, corner.z);
    glEnd();
    glPopAttrib();
}

void GLWidget::releaseGL()
{
    if (!gridList || !context())
        return;
    makeCurrent();
    glDeleteLists(gridList, 1);
    gridList = 0;
    gridListValid = false;
    doneCurrent();
}

bool GLWidget::pick(const QPointF &pixel)
{
    Core::Selection &selection = workspace->getSelection();
    if (!selection.isSelectionMode())
        return false;

    GLint viewport[4];
    GLdouble projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);

    glSelectBuffer(selectBufferSize, selectBuffer.data());
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(pixel.x(), viewport[1] + viewport[3] - pixel.y(), pickRegionPixels, pickRegionPixels, viewport);
    glMultMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);

    // Every pick face counts, whichever way it is wound.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_CULL_FACE);
    glRenderMode(GL_SELECT);
    glInitNames();
    workspace->getDocument().drawPickBoxes();
    const GLint hits = glRenderMode(GL_RENDER);
    glPopAttrib();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    const int record = nearestHitRecord(selectBuffer.data(), selectBufferSize, hits);
    if (record < 0)
        return false;
    const GLuint nameCount = selectBuffer[std::size_t(record)];
    for (GLuint i = 0; i < nameCount; ++i)
        selection.togglePicked(selectBuffer[std::size_t(record) + 3 + i]);
    return true;
}

int GLWidget::nearestHitRecord(const unsigned int *buffer, int bufferSize, int hits)
{
    // -1 means the buffer overflowed: it is full, and every record that fits
    // whole in it is real. Boxes drawn later may lie in front of earlier
    // ones, so the smallest minimum depth wins, not the first record.
    const bool overflowed = hits < 0;
    int best = -1;
    GLuint bestDepth = 0;
    std::size_t at = 0;
    const std::size_t size = bufferSize > 0 ? std::size_t(bufferSize) : 0;
    for (int record = 0; overflowed || record < hits; ++record) {
        if (at + 3 > size)
            break;
        const GLuint nameCount = buffer[at];
        if (std::size_t(nameCount) > size - at - 3)
            break;
        const GLuint depth = buffer[at + 1];
        if (nameCount > 0 && (best < 0 || depth < bestDepth)) {
            best = int(at);
            bestDepth = depth;
        }
        at += 3 + std::size_t(nameCount);
    }
    return best;
}

double GLWidget::windowDepthAt(const QPointF &pixel)
{
    return ViewCamera::unprojectDepth(bufferDepthAt(pixel));
}

float GLWidget::bufferDepthAt(const QPointF &pixel)
{
    // Outside the frame buffer the read leaves `depth` alone: empty space.
    // Row r from the top is row height - 1 - r from the bottom.
    GLfloat depth = 1.0f;
    const GLint x = GLint(std::floor(pixel.x()));
    const GLint y = GLint(camera.viewportHeight() - 1 - std::floor(pixel.y()));
    if (x >= 0 && y >= 0 && x < camera.viewportWidth() && y < camera.viewportHeight())
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

Util::Vector3D GLWidget::unprojectAt(const QPointF &pixel, double windowDepth) const
{
    return camera.unproject(pixel.x(), camera.viewportHeight() - pixel.y(), windowDepth);
}

void GLWidget::mousePressEvent(QMouseEvent *event)
{
    const QPointF pixel = devicePosition(event->localPos());
    const bool haveContext = context() != nullptr;
    if (haveContext) {
        makeCurrent();
        loadSceneMatrices();
    }

    if (event->button() == Qt::LeftButton) {
        if (haveContext && pick(pixel))
            update();
        camera.beginTrackball(pixel.x(), pixel.y());
        const double depth = haveContext ? windowDepthAt(pixel) : ViewCamera::fallbackDepth;
        Util::Vector3D point = unprojectAt(pixel, depth);
        if (snapOn)
            point = camera.grid().snap(point);
        workspace->getPickState().leftClick(event->pos(), point);
    } else if (event->button() == Qt::RightButton) {
        panDepth = haveContext ? windowDepthAt(pixel) : ViewCamera::fallbackDepth;
        const Util::Vector3D anchor = unprojectAt(pixel, panDepth);
        camera.setPanAnchor(anchor);
        workspace->getPickState().rightClick(event->pos(), snapOn ? camera.grid().snap(anchor) : anchor);
    }

    if (haveContext)
        doneCurrent();
}

void GLWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pixel = devicePosition(event->localPos());
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons != Qt::NoButton)
        setCursorText(QString());
    if (buttons == Qt::LeftButton) {
        if (camera.dragTrackball(pixel.x(), pixel.y())) {
            framed = false;
            update();
        }
    } else if (buttons == Qt::RightButton) {
        // The anchor is kept under the cursor: the scene moves by the world
        // distance between it and the point now under the cursor at the
        // anchor's depth, which also pans correctly in a turned view.
        const Util::Vector3D point = unprojectAt(pixel, panDepth);
        camera.pan(point - camera.panAnchor());
        framed = false;
        update();
    } else if (buttons == Qt::NoButton) {
        // The one depth read the pick state needs also tells whether a
        // volume lies under the cursor, and where: the surface point actually
        // drawn there, cut or etched as it is, which a ray against the
        // volumes' boxes would not give.
        float bufferDepth = 1.0f;
        if (context()) {
            makeCurrent();
            bufferDepth = bufferDepthAt(pixel);
            doneCurrent();
        }
        const double depth = ViewCamera::unprojectDepth(bufferDepth);
        Util::Vector3D point = unprojectAt(pixel, depth);
        if (snapOn)
            point = camera.grid().snap(point);
        workspace->getPickState().mouseMove(event->pos(), point);
        const bool onVolume = bufferDepth <= ViewCamera::emptyDepth && !overlay.covers(event->localPos());
        // The depth was sampled at the pixel's centre; on a face seen at a
        // slant the pixel's corner at that depth lies off the face.
        const QPointF centre(std::floor(pixel.x()) + 0.5, std::floor(pixel.y()) + 0.5);
        setCursorText(onVolume ? ViewOverlay::positionText(unprojectAt(centre, depth), camera.zoom() * devicePixelRatioF())
                               : QString());
    }
}

void GLWidget::leaveEvent(QEvent *event)
{
    setCursorText(QString());
    QOpenGLWidget::leaveEvent(event);
}

void GLWidget::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    camera.wheel(delta);
    framed = false;
    // The point under the cursor moves with the zoom; the next move reads it again.
    setCursorText(QString());
    update();
    event->accept();
}

} // namespace Ui

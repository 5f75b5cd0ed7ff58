#include "GuiTestSupport.h"

#include "Core/PickState.h"
#include "Core/Selection.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "UI/GLWidget.h"
#include "UI/Observers/RedrawObserver.h"
#include "Util/ColorSettings.h"

#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <QtTest>

#include <cmath>
#include <memory>

using Model::Automaton::TotalVolume;
using Util::Vector3D;

namespace {

constexpr int viewWidth = 400;
constexpr int viewHeight = 300;

std::shared_ptr<TotalVolume> makeVolume(const Vector3D &position, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    const std::vector<std::uint32_t> materials(std::size_t(nx) * ny * nz, 1);
    return std::make_shared<TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, position, materials);
}

// Compares within `tolerance`, naming the vector when it fails.
#define COMPARE_NEAR(actual, expected, tolerance)                                                                      \
    do {                                                                                                               \
        const Vector3D a_ = (actual), e_ = (expected);                                                                 \
        QVERIFY2(std::abs(a_.x - e_.x) <= (tolerance) && std::abs(a_.y - e_.y) <= (tolerance)                          \
                     && std::abs(a_.z - e_.z) <= (tolerance),                                                          \
                 qPrintable(QStringLiteral("(%1, %2, %3)").arg(a_.x).arg(a_.y).arg(a_.z)));                            \
    } while (false)

} // namespace

class TestGLView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup()
    {
        window.reset();
        workspace.reset();
        Util::ColorSettings::reset();
    }

    void clickTogglesSelection_data();
    void clickTogglesSelection();
    void firstDrawnObjectWins();
    void pickFollowsTheView_data();
    void pickFollowsTheView();
    void translationKeys_data();
    void translationKeys();
    void wheelZoom_data();
    void wheelZoom();
    void leftDragTurns_data();
    void leftDragTurns();
    void rightDragPans_data();
    void rightDragPans();
    void mouseHandsPointsToPickState_data();
    void mouseHandsPointsToPickState();
    void gridAndBackground_data();
    void gridAndBackground();
    void litVolumeInFrame();
    void redrawObserverRepaints();

private:
    void addToDocument(const std::shared_ptr<TotalVolume> &volume);
    QPoint pixelOf(const Vector3D &world) const { return GuiTestSupport::pixelOf(view, world); }
    void sendMouse(QEvent::Type type, const QPoint &position, Qt::MouseButton button, Qt::MouseButtons buttons);
    QImage grab() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<Core::Workspace> workspace;
    std::unique_ptr<QWidget> window;
    Ui::GLWidget *view = nullptr;
};

void TestGLView::init()
{
    Util::ColorSettings::reset();
    workspace = std::make_unique<Core::Workspace>();
    window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    view = new Ui::GLWidget(workspace.get(), window.get());
    layout->addWidget(view);
    window->resize(viewWidth, viewHeight);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // Without a window manager the display never activates the window;
    // the shortcuts only need the application to treat it as active.
    QApplication::setActiveWindow(window.get());
    QCOMPARE(view->size(), QSize(viewWidth, viewHeight));
    QVERIFY(view->isValid());
}

void TestGLView::addToDocument(const std::shared_ptr<TotalVolume> &volume)
{
    workspace->getDocument().addObject(volume);
    volume->getPainter().rebuild();
    view->update();
}

void TestGLView::sendMouse(QEvent::Type type, const QPoint &position, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, view->mapToGlobal(position), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

void TestGLView::clickTogglesSelection_data()
{
    QTest::addColumn<bool>("selectionMode");
    QTest::addColumn<bool>("overVolume");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("selection mode, over the volume") << true << true << true;
    QTest::newRow("selection mode, empty background") << true << false << false;
    QTest::newRow("selection mode off") << false << true << false;
}

void TestGLView::clickTogglesSelection()
{
    QFETCH(bool, selectionMode);
    QFETCH(bool, overVolume);
    QFETCH(bool, toggles);

    auto volume = makeVolume(Vector3D(-10, -10, 0), 20, 20, 4);
    addToDocument(volume);
    Core::Selection &selection = workspace->getSelection();
    selection.setSelectionMode(selectionMode);

    const QPoint target = overVolume ? pixelOf(Vector3D(0, 0, 2)) : pixelOf(Vector3D(-150, 100, 0));
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, target);
    QCOMPARE(volume->isSelected(), toggles);
    QCOMPARE(workspace->getPickState().getSelectedObjects().size(), toggles ? 1 : 0);
    // The click itself is handed over whatever it hit.
    QCOMPARE(workspace->getPickState().getCurrentPixel(), target);

    // A second click toggles back.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, target);
    QVERIFY(!volume->isSelected());
    QVERIFY(workspace->getPickState().getSelectedObjects().isEmpty());
}

void TestGLView::firstDrawnObjectWins()
{
    // The second volume lies above the first, nearer to the viewer of the
    // top view, yet the first one drawn is the one picked.
    auto lower = makeVolume(Vector3D(-10, -10, 0), 20, 20, 4);
    auto upper = makeVolume(Vector3D(-10, -10, 10), 20, 20, 4);
    addToDocument(lower);
    addToDocument(upper);
    workspace->getSelection().setSelectionMode(true);

    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, pixelOf(Vector3D(0, 0, 12)));
    QVERIFY(lower->isSelected());
    QVERIFY(!upper->isSelected());
    const auto selected = workspace->getPickState().getSelectedObjects();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().get(), static_cast<Model::Object *>(lower.get()));
}

void TestGLView::pickFollowsTheView_data()
{
    QTest::addColumn<Vector3D>("angles");
    QTest::addColumn<Vector3D>("translation");
    QTest::addColumn<double>("zoom");

    QTest::newRow("top") << Vector3D(0, 0, 0) << Vector3D() << 1.0;
    QTest::newRow("front") << Vector3D(-90, 0, 0) << Vector3D() << 1.0;
    QTest::newRow("right") << Vector3D(-90, 0, -90) << Vector3D() << 1.0;
    QTest::newRow("bottom, translated") << Vector3D(180, 0, 0) << Vector3D(-30, 20, 0) << 1.0;
    QTest::newRow("manual, zoomed in") << Vector3D(30, -20, 45) << Vector3D(-100, 60, 0) << 0.5;
}

void TestGLView::pickFollowsTheView()
{
    QFETCH(Vector3D, angles);
    QFETCH(Vector3D, translation);
    QFETCH(double, zoom);

    // Off the view centre, so that a pass that ignored the camera would miss.
    auto volume = makeVolume(Vector3D(40, -60, -10), 20, 20, 20);
    addToDocument(volume);
    view->setViewAngle(angles.x, angles.y, angles.z);
    view->setTranslation(translation);
    view->setZoom(zoom);
    workspace->getSelection().setSelectionMode(true);

    const Vector3D centre(50, -50, 0);
    const QPoint mirrored = QPoint(viewWidth, viewHeight) - pixelOf(centre);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, mirrored);
    QVERIFY(!volume->isSelected());
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, pixelOf(centre));
    QVERIFY(volume->isSelected());
}

void TestGLView::translationKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Vector3D>("moved");
    QTest::newRow("Q") << int(Qt::Key_Q) << Vector3D(10, 0, 0);
    QTest::newRow("W") << int(Qt::Key_W) << Vector3D(0, 10, 0);
    QTest::newRow("E") << int(Qt::Key_E) << Vector3D(0, 0, 10);
    QTest::newRow("A") << int(Qt::Key_A) << Vector3D(-10, 0, 0);
    QTest::newRow("S") << int(Qt::Key_S) << Vector3D(0, -10, 0);
    QTest::newRow("D") << int(Qt::Key_D) << Vector3D(0, 0, -10);
}

void TestGLView::translationKeys()
{
    QFETCH(int, key);
    QFETCH(Vector3D, moved);

    view->setZoom(2.0);
    const Ui::ViewGrid before = view->grid();
    // The keys belong to the window: they work wherever the focus is in it.
    QTest::keyClick(window.get(), Qt::Key(key));
    QCOMPARE(view->translation(), moved);
    const Ui::ViewGrid &grid = view->grid();
    QCOMPARE(QVector<double>({grid.xMin(), grid.xMax(), grid.yMin(), grid.yMax()}),
             QVector<double>({before.xMin() - moved.x, before.xMax() - moved.x, before.yMin() - moved.y,
                              before.yMax() - moved.y}));
}

void TestGLView::wheelZoom_data()
{
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<double>("factor");
    QTest::newRow("one notch up") << QPoint(0, 120) << 2.2;
    QTest::newRow("one notch down") << QPoint(0, -120) << 1.0 / 2.2;
    QTest::newRow("horizontal wheel is ignored") << QPoint(120, 0) << 1.0;
}

void TestGLView::wheelZoom()
{
    QFETCH(QPoint, angleDelta);
    QFETCH(double, factor);

    view->setZoom(1.5);
    const QPointF position(100, 100);
    QWheelEvent event(position, view->mapToGlobal(position.toPoint()), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
    QVERIFY(qAbs(view->zoom() - 1.5 * factor) < 1e-12);
    // The grid still covers what the top view shows.
    QVERIFY(qAbs(view->grid().xMax() - viewWidth * view->zoom() / 2.0) < 1e-9);
}

void TestGLView::leftDragTurns_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("turns");
    QTest::newRow("drag to the same pixel") << QPoint(250, 100) << QPoint(250, 100) << false;
    QTest::newRow("drag right") << QPoint(200, 150) << QPoint(260, 150) << true;
}

void TestGLView::leftDragTurns()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, turns);

    view->setViewAngle(-90, 0, 0);
    const Ui::Quaternion before = view->rotation();
    sendMouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    const Ui::Quaternion after = view->rotation();
    QCOMPARE(QVector<double>({after.w, after.x, after.y, after.z}) != QVector<double>({before.w, before.x, before.y, before.z}),
             turns);
}

void TestGLView::rightDragPans_data()
{
    QTest::addColumn<Vector3D>("angles");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<Vector3D>("moved");

    QTest::newRow("top view, right") << Vector3D() << 1.0 << QPoint(40, 0) << Vector3D(40, 0, 0);
    QTest::newRow("top view, up") << Vector3D() << 1.0 << QPoint(0, -30) << Vector3D(0, 30, 0);
    QTest::newRow("top view, zoom 2") << Vector3D() << 2.0 << QPoint(40, 10) << Vector3D(80, -20, 0);
    // In the front view the screen's up is the world's z: the scene still
    // follows the cursor.
    QTest::newRow("front view, up") << Vector3D(-90, 0, 0) << 1.0 << QPoint(0, -30) << Vector3D(0, 0, 30);
}

void TestGLView::rightDragPans()
{
    QFETCH(Vector3D, angles);
    QFETCH(double, zoom);
    QFETCH(QPoint, drag);
    QFETCH(Vector3D, moved);

    view->setViewAngle(angles.x, angles.y, angles.z);
    view->setZoom(zoom);
    const Ui::ViewGrid before = view->grid();
    const QPoint start(150, 120);
    sendMouse(QEvent::MouseButtonPress, start, Qt::RightButton, Qt::RightButton);
    // Two steps end where one long step would.
    sendMouse(QEvent::MouseMove, start + drag / 2, Qt::NoButton, Qt::RightButton);
    sendMouse(QEvent::MouseMove, start + drag, Qt::NoButton, Qt::RightButton);
    sendMouse(QEvent::MouseButtonRelease, start + drag, Qt::RightButton, Qt::NoButton);

    COMPARE_NEAR(view->translation(), moved, 1e-6);
    QVERIFY(qAbs(view->grid().xMin() - (before.xMin() - moved.x)) < 1e-6);
    QVERIFY(qAbs(view->grid().yMin() - (before.yMin() - moved.y)) < 1e-6);
}

void TestGLView::mouseHandsPointsToPickState_data()
{
    QTest::addColumn<bool>("snap");
    QTest::addColumn<Vector3D>("hoverPoint");
    QTest::addColumn<Vector3D>("clickPoint");

    // Top view, zoom 1, 400 x 300: pixel (x, y) is world (x - 200, 150 - y)
    // on the plane through the centre.
    QTest::newRow("free") << false << Vector3D(-73, 38, 0) << Vector3D(25, -5, 0);
    QTest::newRow("snapped to the grid") << true << Vector3D(-70, 40, 0) << Vector3D(30, 0, 0);
}

void TestGLView::mouseHandsPointsToPickState()
{
    QFETCH(bool, snap);
    QFETCH(Vector3D, hoverPoint);
    QFETCH(Vector3D, clickPoint);

    view->setSnapToGrid(snap);
    Core::PickState &pickState = workspace->getPickState();
    const QPoint hover(127, 112);
    const QPoint click(225, 155);

    sendMouse(QEvent::MouseMove, hover, Qt::NoButton, Qt::NoButton);
    Vector3D current, previous;
    pickState.getPickedPositions(current, previous);
    COMPARE_NEAR(current, hoverPoint, 1e-9);

    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, click);
    pickState.getPickedPositions(current, previous);
    COMPARE_NEAR(current, clickPoint, 1e-9);
    COMPARE_NEAR(previous, hoverPoint, 1e-9);
    QCOMPARE(pickState.getCurrentPixel(), click);
    QCOMPARE(pickState.getPreviousPixel(), hover);
}

void TestGLView::gridAndBackground_data()
{
    QTest::addColumn<int>("scheme");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<QRgb>("background");
    QTest::addColumn<bool>("gridDrawn");

    QTest::newRow("default scheme") << 0 << 10.0 << qRgb(0, 0, 0) << true;
    QTest::newRow("low colour scheme") << 1 << 10.0 << qRgb(255, 255, 255) << true;
    QTest::newRow("spacing 0 keeps the previous one") << 0 << 0.0 << qRgb(0, 0, 0) << true;
    QTest::newRow("too dense to draw") << 0 << 0.0001 << qRgb(0, 0, 0) << false;
}

void TestGLView::gridAndBackground()
{
    QFETCH(int, scheme);
    QFETCH(double, spacing);
    QFETCH(QRgb, background);
    QFETCH(bool, gridDrawn);

    Util::ColorSettings::setColorScheme(scheme);
    view->setGridSpacing(spacing);
    view->setShowGrid(true);
    // Half a unit off, the line x = 0 runs through the middle of column 200
    // and y = 0 through the middle of row 149.
    view->setTranslation(Vector3D(0.5, 0.5, 0));

    const QImage image = grab();
    QCOMPARE(image.size(), QSize(viewWidth, viewHeight) * view->devicePixelRatioF());
    const QRgb grid = qRgb(102, 102, 102);
    QCOMPARE(image.pixel(205, 20), background);
    QCOMPARE(image.pixel(200, 20), gridDrawn ? grid : background);
    QCOMPARE(image.pixel(33, 149), gridDrawn ? grid : background);
    if (gridDrawn)
        QCOMPARE(image.pixel(210, 20), grid); // the next line, 10 units on
}

void TestGLView::litVolumeInFrame()
{
    // Silicon below, positive photoresist (pink) on top.
    const std::uint32_t n = 40;
    std::vector<std::uint32_t> materials(std::size_t(n) * n * n);
    for (std::size_t i = 0; i < materials.size(); ++i)
        materials[i] = (i % n) < n / 2 ? 1 : 11;
    auto volume = std::make_shared<TotalVolume>(n, n, n, 1.0f, 1.0f, 1.0f, Vector3D(-20, -20, -20), materials);
    addToDocument(volume);
    view->setZoom(0.4);
    view->setShowGrid(true);
    view->setViewAngle(-60, 0, 30);
    const QImage lit = grab();

    const QRgb background = qRgb(0, 0, 0);
    QVERIFY2(lit.pixel(viewWidth / 2, viewHeight / 2) != background, "the volume covers the view centre");

    view->setLighting(false);
    const QImage unlit = grab();
    QVERIFY(unlit.pixel(viewWidth / 2, viewHeight / 2) != background);
    QVERIFY2(lit != unlit, "lighting changes the picture");
    view->setLighting(true);

    // From the top the resist shows, in its own colour.
    view->setViewAngle(0, 0, 0);
    const QColor top = grab().pixelColor(pixelOf(Vector3D(5, 5, 20)));
    QVERIFY2(top.red() > top.green() + 40 && top.green() > 0, qPrintable(top.name()));

    // Where the volume was drawn the depth buffer gives the front face: the
    // top face (z = 20), not the 0.5 plane through the centre.
    const Vector3D onTop = view->worldPointAt(pixelOf(Vector3D(5, 5, 20)));
    COMPARE_NEAR(onTop, Vector3D(onTop.x, onTop.y, 20.0), 0.1);
}

void TestGLView::redrawObserverRepaints()
{
    auto observer = std::make_shared<Ui::Observers::RedrawObserver>(view);
    workspace->addOperationEndedObserver(observer);
    QSignalSpy frames(view, &QOpenGLWidget::frameSwapped);
    QTest::qWait(50);
    frames.clear();

    // Batch runs end their operations on a worker thread.
    QtConcurrent::run([this] { workspace->notifyOperationEnded(); }).waitForFinished();
    QTRY_VERIFY(frames.count() > 0);
}

QTEST_MAIN(TestGLView)
#include "tst_glview.moc"

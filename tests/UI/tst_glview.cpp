#include "GuiTestSupport.h"

#include "Core/PickState.h"
#include "Core/Selection.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "UI/GLWidget.h"
#include "UI/Observers/RedrawObserver.h"
#include "UI/Quaternion.h"
#include "UI/ViewGrid.h"

#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <QtTest>

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

bool near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }
bool near(const Vector3D &a, const Vector3D &b, double tolerance)
{
    return near(a.x, b.x, tolerance) && near(a.y, b.y, tolerance) && near(a.z, b.z, tolerance);
}

Vector3D rotated(const Ui::Quaternion &q, const Vector3D &v)
{
    double r[3] = {v.x, v.y, v.z};
    q.rotate(r);
    return Vector3D(r[0], r[1], r[2]);
}

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
    }
    void clickTogglesSelection_data();
    void clickTogglesSelection();
    void clickPicksNearest_data();
    void clickPicksNearest();
    void nearestHitRecord_data();
    void nearestHitRecord();
    void translationKeys_data();
    void translationKeys();
    void redrawObserverRepaints();
    void facesBuiltAtFirstDraw();
    void everySurfaceDraws_data();
    void everySurfaceDraws();
    void trackballDrag_data();
    void trackballDrag();
    void wheel_data();
    void wheel();
    void snapping_data();
    void snapping();
    void gridLines_data();
    void gridLines();

private:
    void addToDocument(const std::shared_ptr<TotalVolume> &volume);
    QPoint pixelOf(const Vector3D &world) const { return GuiTestSupport::pixelOf(view, world); }
    std::unique_ptr<Core::Workspace> workspace;
    std::unique_ptr<QWidget> window;
    Ui::GLWidget *view = nullptr;
};

void TestGLView::init()
{
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

void TestGLView::clickPicksNearest_data()
{
    QTest::addColumn<bool>("backDrawnFirst");
    QTest::newRow("the volume behind is drawn first") << true;
    QTest::newRow("the volume in front is drawn first") << false;
}

// A small volume floats above a wide one; a click on it selects it, whichever
// of the two the selection pass draws first.
void TestGLView::clickPicksNearest()
{
    QFETCH(bool, backDrawnFirst);
    auto back = makeVolume(Vector3D(-10, -10, 0), 20, 20, 4);
    auto front = makeVolume(Vector3D(-4, -4, 10), 8, 8, 4);
    addToDocument(backDrawnFirst ? back : front);
    addToDocument(backDrawnFirst ? front : back);
    workspace->getSelection().setSelectionMode(true);
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, pixelOf(Vector3D(0, 0, 14)));
    QVERIFY(front->isSelected());
    QVERIFY(!back->isSelected());
    QCOMPARE(workspace->getPickState().getSelectedObjects().size(), 1);
}

void TestGLView::nearestHitRecord_data()
{
    using Buffer = QVector<uint>;
    QTest::addColumn<Buffer>("buffer");
    QTest::addColumn<int>("hits");
    QTest::addColumn<int>("expected");
    // Records: name count, minimum depth, maximum depth, names.
    QTest::newRow("no hit") << Buffer{0, 0, 0} << 0 << -1;
    QTest::newRow("one hit") << Buffer{1, 50, 60, 7} << 1 << 0;
    QTest::newRow("the second record is nearer") << Buffer{1, 50, 60, 7, 1, 20, 90, 8} << 2 << 4;
    QTest::newRow("the first record is nearer") << Buffer{1, 20, 60, 7, 1, 50, 90, 8} << 2 << 0;
    QTest::newRow("equal depths keep the first") << Buffer{1, 20, 60, 7, 1, 20, 90, 8} << 2 << 0;
    QTest::newRow("stale records beyond the hits are ignored") << Buffer{1, 50, 60, 7, 1, 10, 90, 8} << 1 << 0;
    QTest::newRow("overflow: the cut record is ignored") << Buffer{1, 50, 60, 7, 2, 10, 90} << -1 << 0;
    QTest::newRow("overflow: every whole record counts") << Buffer{1, 50, 60, 7, 1, 10, 90, 8, 3} << -1 << 4;
    QTest::newRow("overflow: no whole record") << Buffer{5, 10, 20, 1} << -1 << -1;
    QTest::newRow("a name count beyond the buffer") << Buffer{9, 10, 20, 1} << 1 << -1;
}

void TestGLView::nearestHitRecord()
{
    QFETCH(QVector<uint>, buffer);
    QFETCH(int, hits);
    QFETCH(int, expected);
    QCOMPARE(Ui::GLWidget::nearestHitRecord(buffer.constData(), buffer.size(), hits), expected);
}

void TestGLView::translationKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Vector3D>("moved");
    QTest::newRow("Q") << int(Qt::Key_Q) << Vector3D(10, 0, 0);
    QTest::newRow("A") << int(Qt::Key_A) << Vector3D(-10, 0, 0);
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

// A volume that was never drawn (as a loaded one) has no faces until the
// view draws it; after undo or redo marked it out of date, the next draw
// builds them from the new cells.
void TestGLView::facesBuiltAtFirstDraw()
{
    auto volume = makeVolume(Vector3D(-10, -10, 0), 20, 20, 4);
    workspace->getDocument().addObject(volume);
    Model::Automaton::TotalVolumePainter &painter = volume->getPainter();
    QVERIFY(painter.isStale());
    QCOMPARE(painter.getOpaqueFaceCount(), std::size_t(0));
    QSignalSpy frames(view, &QOpenGLWidget::frameSwapped);
    view->update();
    QTRY_VERIFY(frames.count() > 0);
    QVERIFY(!painter.isStale());
    const std::size_t faces = painter.getOpaqueFaceCount();
    QVERIFY(faces > 0);

    // A cell of the top goes: its top face with it, five faces of its neighbours come out.
    TotalVolume::CellsLock(*volume, TotalVolume::CellsLock::Write).writableCells()[volume->index(5, 5, 3)].material = 0;
    painter.invalidate();
    frames.clear();
    view->update();
    QTRY_VERIFY(frames.count() > 0);
    QCOMPARE(painter.getOpaqueFaceCount(), faces + 4);
}

void TestGLView::everySurfaceDraws_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<bool>("atoms");
    QTest::newRow("direct cubic with atoms, bonds and unit cells") << 0 << true;
    QTest::newRow("marching cubes") << 1 << false;
    QTest::newRow("octree") << 2 << false;
}

// Each surface (and the lattice) covers the view's centre where the volume lies.
void TestGLView::everySurfaceDraws()
{
    QFETCH(int, algorithm);
    QFETCH(bool, atoms);
    const QImage empty = view->grabFramebuffer();
    const QPoint centre(viewWidth / 2, viewHeight / 2);
    auto volume = makeVolume(Vector3D(-10, -10, 0), 20, 20, 4);
    Model::Automaton::TotalVolumePainter &painter = volume->getPainter();
    painter.setSurfaceAlgorithm(std::uint32_t(algorithm));
    if (atoms) {
        volume->rebuildSiLattice();
        painter.setRenderAtoms(true);
        painter.setRenderLinks(true);
        painter.setRenderUnitCells(true);
        painter.setRenderUnitCellOutlines(true);
    }
    addToDocument(volume);
    view->setDrawOutlines(true);
    const QImage drawn = view->grabFramebuffer();
    QVERIFY(drawn.pixel(centre) != empty.pixel(centre));
    if (atoms)
        QVERIFY(!painter.getAtomicRenderer().getAtoms().empty());
    else
        QVERIFY(painter.getMarchingCubeSurface().getTriangleCount() > 0 || painter.getOctreeSurface().getOpaqueFaceCount() > 0);
    // Selecting recolours whatever surface is drawn.
    volume->setSelected(true);
    QVERIFY(view->grabFramebuffer().pixel(centre) != drawn.pixel(centre));
}

// The camera and grid maths behind the view.
void TestGLView::trackballDrag_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("turns");
    // A 200 x 200 widget.
    QTest::newRow("same pixel") << QPointF(120, 80) << QPointF(120, 80) << false;
    QTest::newRow("opposite rim points") << QPointF(200, 100) << QPointF(0, 100) << false;
    QTest::newRow("centre to right rim") << QPointF(100, 100) << QPointF(200, 100) << true;
    QTest::newRow("across the rim") << QPointF(150, 150) << QPointF(250, 20) << true;
}

void TestGLView::trackballDrag()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(bool, turns);
    Ui::ViewCamera camera;
    camera.setViewportSize(200, 200);
    camera.setViewAngle(-90.0, 0.0, 30.0);
    const Ui::Quaternion before = camera.rotation();
    camera.beginTrackball(from.x(), from.y());
    const Vector3D a = camera.trackballLast();
    QCOMPARE(camera.dragTrackball(to.x(), to.y()), turns);
    const Ui::Quaternion after = camera.rotation();
    if (!turns) {
        QCOMPARE(QVector<double>({after.w, after.x, after.y, after.z}),
                 QVector<double>({before.w, before.x, before.y, before.z}));
        return;
    }
    // The step turns the first trackball point onto the second, and the
    // result is still a rotation.
    const Vector3D b = Ui::ViewCamera::trackballPoint(to.x(), to.y(), 200, 200);
    const Ui::Quaternion step = after * Ui::Quaternion(before.w, -before.x, -before.y, -before.z);
    QVERIFY(near(rotated(step, a), b, 1e-9));
    QVERIFY(near(after.length(), 1.0, 1e-12));
    QVERIFY(near(camera.trackballLast(), b, 0.0));
}

void TestGLView::wheel_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QVector<int>>("deltas");
    QTest::addColumn<double>("expected");
    QTest::newRow("one notch up zooms out by 2.2") << 1.0 << QVector<int>{120} << 2.2;
    QTest::newRow("one notch down zooms in by 2.2") << 1.0 << QVector<int>{-120} << 1.0 / 2.2;
    QTest::newRow("a double notch is 3.4, not 2.2 squared") << 1.0 << QVector<int>{240} << 3.4;
}

void TestGLView::wheel()
{
    QFETCH(double, zoom);
    QFETCH(QVector<int>, deltas);
    QFETCH(double, expected);
    Ui::ViewCamera camera;
    QVERIFY(camera.setZoom(zoom));
    for (int delta : deltas)
        camera.wheel(delta);
    QVERIFY2(near(camera.zoom(), expected, 1e-12), qPrintable(QString::number(camera.zoom(), 'g', 17)));
}

void TestGLView::snapping_data()
{
    QTest::addColumn<double>("spacing");
    QTest::addColumn<Vector3D>("point");
    QTest::addColumn<Vector3D>("snapped");
    QTest::newRow("tie goes to the upper line") << 10.0 << Vector3D(5, 15, 3) << Vector3D(10, 20, 0);
    QTest::newRow("negative tie goes up too") << 10.0 << Vector3D(-5, -15, 0) << Vector3D(0, -10, 0);
    QTest::newRow("fine grid") << 0.25 << Vector3D(1.125, 0.3, 0) << Vector3D(1.25, 0.25, 0);
}

void TestGLView::snapping()
{
    QFETCH(double, spacing);
    QFETCH(Vector3D, point);
    QFETCH(Vector3D, snapped);
    Ui::ViewGrid grid;
    QVERIFY(grid.setSpacing(spacing));
    QCOMPARE(grid.snap(point), snapped);
}

void TestGLView::gridLines_data()
{
    // Vertical lines first, then horizontal ones, each spanning the whole grid: x0, y0, x1, y1 per line.
    QTest::addColumn<QVector<double>>("extent");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<QVector<double>>("lines");
    QTest::newRow("off-grid extent") << QVector<double>{-15, -5, 15, 5} << 10.0
        << QVector<double>{-20, -10, -20, 10, -10, -10, -10, 10, 0, -10, 0, 10, 10, -10, 10, 10,
                           -20, -10, 20, -10, -20, 0, 20, 0};
    QTest::newRow("too dense to draw") << QVector<double>{-1000, -1000, 1000, 1000} << 0.0001 << QVector<double>{};
}

void TestGLView::gridLines()
{
    QFETCH(QVector<double>, extent);
    QFETCH(double, spacing);
    QFETCH(QVector<double>, lines);
    Ui::ViewGrid grid;
    grid.setExtent(extent[0], extent[1], extent[2], extent[3]);
    QVERIFY(grid.setSpacing(spacing));
    QVector<double> got;
    for (const auto &line : grid.lines())
        got << line.x0 << line.y0 << line.x1 << line.y1;
    QCOMPARE(got, lines);
}

QTEST_MAIN(TestGLView)
#include "tst_glview.moc"

#include "GuiTestSupport.h"

#include "Model/Automaton/AtomPainter.h"
#include "UI/Observers/RedrawObserver.h"

#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <QtTest>

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

    std::unique_ptr<Core::Workspace> workspace;
    std::unique_ptr<QWidget> window;
    Ui::GLWidget *view = nullptr;

    void addToDocument(const std::shared_ptr<TotalVolume> &volume)
    {
        workspace->getDocument().addObject(volume);
        volume->getPainter().rebuild();
        view->update();
    }
    QPoint pixelOf(const Vector3D &world) const { return GuiTestSupport::pixelOf(view, world); }

private slots:
    void init()
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
    void cleanup()
    {
        window.reset();
        workspace.reset();
    }

    void clickTogglesSelection_data()
    {
        QTest::addColumn<bool>("selectionMode");
        QTest::addColumn<Vector3D>("target");
        QTest::addColumn<int>("floating"); // a small volume over the wide one: 0 none, 1 added last, -1 added first
        QTest::addColumn<int>("selected"); // 0 none, 1 the wide volume, 2 the floating one
        QTest::newRow("selection mode, over the volume") << true << Vector3D(0, 0, 2) << 0 << 1;
        QTest::newRow("selection mode, empty background") << true << Vector3D(-150, 100, 0) << 0 << 0;
        QTest::newRow("selection mode off") << false << Vector3D(0, 0, 2) << 0 << 0;
        // The nearest is picked whichever of the two the selection pass draws first.
        QTest::newRow("nearest picked, the volume behind drawn first") << true << Vector3D(0, 0, 14) << 1 << 2;
        QTest::newRow("nearest picked, the volume in front drawn first") << true << Vector3D(0, 0, 14) << -1 << 2;
    }
    void clickTogglesSelection()
    {
        QFETCH(bool, selectionMode);
        QFETCH(Vector3D, target);
        QFETCH(int, floating);
        QFETCH(int, selected);
        const auto wide = makeVolume(Vector3D(-10, -10, 0), 20, 20, 4), front = makeVolume(Vector3D(-4, -4, 10), 8, 8, 4);
        if (floating < 0)
            addToDocument(front);
        addToDocument(wide);
        if (floating > 0)
            addToDocument(front);
        workspace->getSelection().setSelectionMode(selectionMode);
        const QPoint pixel = pixelOf(target);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, pixel);
        QCOMPARE(wide->isSelected(), selected == 1);
        QCOMPARE(front->isSelected(), selected == 2);
        QCOMPARE(workspace->getPickState().getSelectedObjects().size(), selected ? 1 : 0);
        // The click itself is handed over whatever it hit.
        QCOMPARE(workspace->getPickState().getCurrentPixel(), pixel);
        // A second click toggles back.
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, pixel);
        QVERIFY(!wide->isSelected() && !front->isSelected());
        QVERIFY(workspace->getPickState().getSelectedObjects().isEmpty());
    }

    void nearestHitRecord_data()
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

    void nearestHitRecord()
    {
        QFETCH(QVector<uint>, buffer);
        QFETCH(int, hits);
        QFETCH(int, expected);
        QCOMPARE(Ui::GLWidget::nearestHitRecord(buffer.constData(), buffer.size(), hits), expected);
    }

    void translationKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Vector3D>("moved");
        QTest::newRow("Q") << int(Qt::Key_Q) << Vector3D(10, 0, 0);
        QTest::newRow("A") << int(Qt::Key_A) << Vector3D(-10, 0, 0);
        QTest::newRow("D") << int(Qt::Key_D) << Vector3D(0, 0, -10);
    }
    void translationKeys()
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

    void redrawObserverRepaints()
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
    void facesBuiltAtFirstDraw()
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

    void everySurfaceDraws_data()
    {
        QTest::addColumn<int>("algorithm");
        QTest::addColumn<bool>("isometric");
        QTest::newRow("direct cubic, top view") << 0 << false;
        QTest::newRow("marching cubes, top view") << 1 << false;
        QTest::newRow("octree, top view") << 2 << false;
        QTest::newRow("direct cubic, isometric") << 0 << true;
        QTest::newRow("marching cubes, isometric") << 1 << true;
        QTest::newRow("octree, isometric") << 2 << true;
    }
    // Each surface covers the view's centre where the volume lies, and
    // selecting recolours it. With any surface the atoms show where nothing
    // hides them (the lattice's atoms beyond the volume's sides), at the depth
    // of their spheres' fronts, and stay hidden inside the opaque silicon of
    // the cell faces; bonds, unit cells and outlines draw with them.
    void everySurfaceDraws()
    {
        QFETCH(int, algorithm);
        QFETCH(bool, isometric);
        const QImage empty = view->grabFramebuffer();
        const QPoint middle(viewWidth / 2, viewHeight / 2);
        const Vector3D corner(-6, -6, 0);
        auto volume = makeVolume(corner, 12, 12, 4);
        volume->rebuildSiLattice();
        Model::Automaton::TotalVolumePainter &painter = volume->getPainter();
        painter.setSurfaceAlgorithm(std::uint32_t(algorithm));
        addToDocument(volume);
        if (isometric)
            view->setViewAngle(Ui::ViewCamera::isometricAngleX, 0.0, Ui::ViewCamera::isometricAngleZ);
        view->fitToView();
        const QImage without = view->grabFramebuffer();
        QVERIFY(without.pixel(middle) != empty.pixel(middle));
        if (algorithm != 0)
            QVERIFY(painter.getMarchingCubeSurface().getTriangleCount() > 0 || painter.getOctreeSurface().getOpaqueFaceCount() > 0);
        volume->setSelected(true);
        QVERIFY(view->grabFramebuffer().pixel(middle) != without.pixel(middle));
        volume->setSelected(false);
        painter.setRenderAtoms(true);
        painter.rebuild();
        const QImage with = view->grabFramebuffer();

        // The atom beyond the volume's footprint nearest to the viewer.
        const std::vector<Model::Automaton::AtomicRenderer::Atom> atoms = painter.getAtomicRenderer().getAtoms();
        const float radius = painter.getAtomicRenderer().getAtomGeometry()->radius;
        const Ui::ViewCamera &camera = view->viewCamera();
        Vector3D outside;
        double nearest = 2.0;
        for (const auto &atom : atoms) {
            const Vector3D p(corner.x + atom.position[0], corner.y + atom.position[1], corner.z + atom.position[2]);
            const bool beyond = atom.position[0] < -radius || atom.position[1] < -radius || atom.position[0] > 12 + radius
                                || atom.position[1] > 12 + radius;
            const QPoint pixel = pixelOf(p);
            if (beyond && view->rect().adjusted(2, 2, -2, -2).contains(pixel) && camera.project(p).z < nearest) {
                nearest = camera.project(p).z;
                outside = p;
            }
        }
        QVERIFY2(nearest < 1.0, "no atom beyond the volume in view");
        const QPoint pixel = pixelOf(outside);
        QVERIFY(with.pixel(pixel) != without.pixel(pixel));
        // The depth there is an atom's: the point under the cursor lies on a sphere.
        const Vector3D hit = view->worldPointAt(pixel);
        double closest = 1e9;
        for (const auto &atom : atoms)
            closest = std::min(closest, std::hypot(hit.x - corner.x - atom.position[0], hit.y - corner.y - atom.position[1],
                                                   hit.z - corner.z - atom.position[2]));
        QVERIFY2(closest < radius + 2.0 * view->zoom(), qPrintable(QStringLiteral("%1 from the nearest atom").arg(closest)));

        if (algorithm != 1) {
            // The silicon's faces hide the atoms inside (the marching-cubes skin
            // lies half a cell in, so top atoms show through it).
            const QPoint centre = pixelOf(Vector3D(0, 0, 4));
            QCOMPARE(with.pixel(centre), without.pixel(centre));
        }

        // The same view again reuses the atoms' image; a turn makes a new one.
        const Model::Automaton::AtomPainter *drawn = painter.getAtomPainter();
        QVERIFY(drawn);
        const std::uint64_t splats = drawn->splatCount();
        view->grabFramebuffer();
        QCOMPARE(drawn->splatCount(), splats);
        view->setViewAngle(10.0, 0.0, 5.0);
        view->grabFramebuffer();
        QVERIFY(drawn->splatCount() > splats);

        painter.setRenderLinks(true);
        painter.setRenderUnitCells(true);
        painter.setRenderUnitCellOutlines(true);
        view->setDrawOutlines(true);
        view->fitToView();
        QVERIFY(view->grabFramebuffer().pixel(middle) != empty.pixel(middle));
    }

    void zoomingInNeverClips_data()
    {
        QTest::addColumn<int>("notches");
        QTest::addColumn<double>("angleX");
        QTest::addColumn<double>("angleZ");
        QTest::newRow("top view, fitted") << 0 << 0.0 << 0.0;
        QTest::newRow("top view, 4 notches in") << 4 << 0.0 << 0.0;
        QTest::newRow("isometric, 2 notches in") << 2 << Ui::ViewCamera::isometricAngleX << Ui::ViewCamera::isometricAngleZ;
        QTest::newRow("isometric, 8 notches in") << 8 << Ui::ViewCamera::isometricAngleX << Ui::ViewCamera::isometricAngleZ;
        QTest::newRow("side on, 6 notches in") << 6 << -90.0 << 0.0;
        QTest::newRow("from below at a slant, 5 notches in") << 5 << 150.0 << 30.0;
    }
    // However far the wheel zooms in, the near and far planes hold the whole
    // volume, and the pixel at the centre shows the volume's face nearest to
    // the viewer there.
    void zoomingInNeverClips()
    {
        QFETCH(int, notches);
        QFETCH(double, angleX);
        QFETCH(double, angleZ);
        const Vector3D lower(-10, -10, 0), upper(10, 10, 4);
        const QPoint centre(viewWidth / 2, viewHeight / 2);
        const QColor background = view->grabFramebuffer().pixelColor(centre);
        addToDocument(makeVolume(lower, 20, 20, 4));
        view->setViewAngle(angleX, 0.0, angleZ);
        view->fitToView();
        for (int i = 0; i < notches; ++i) {
            QWheelEvent wheel(QPointF(centre), QPointF(view->mapToGlobal(centre)), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &wheel);
        }
        const QImage drawn = view->grabFramebuffer();

        const Ui::ViewCamera &camera = view->viewCamera();
        for (int c = 0; c < 8; ++c) {
            const Vector3D p((c & 1) ? upper.x : lower.x, (c & 2) ? upper.y : lower.y, (c & 4) ? upper.z : lower.z);
            const double depth = camera.project(p).z;
            QVERIFY2(depth > 0.0 && depth < 1.0, qPrintable(QStringLiteral("corner %1 at depth %2").arg(c).arg(depth)));
        }

        // Where the ray through the centre pixel enters the box.
        const double ratio = view->devicePixelRatioF();
        const double px = centre.x() * ratio, py = camera.viewportHeight() - centre.y() * ratio;
        const Vector3D from = camera.unproject(px, py, 0.0), to = camera.unproject(px, py, 1.0);
        double entry = 0.0;
        const double o[3] = {from.x, from.y, from.z}, d[3] = {to.x - from.x, to.y - from.y, to.z - from.z};
        const double lo[3] = {lower.x, lower.y, lower.z}, hi[3] = {upper.x, upper.y, upper.z};
        for (int axis = 0; axis < 3; ++axis) {
            if (std::abs(d[axis]) < 1e-12)
                continue;
            entry = std::max(entry, std::min((lo[axis] - o[axis]) / d[axis], (hi[axis] - o[axis]) / d[axis]));
        }
        const Vector3D front(o[0] + entry * d[0], o[1] + entry * d[1], o[2] + entry * d[2]);
        QVERIFY(drawn.pixelColor(centre) != background);
        const Vector3D hit = view->worldPointAt(centre);
        QVERIFY2(near(hit, front, 0.05 + 2.0 * view->zoom()),
                 qPrintable(QStringLiteral("the centre shows (%1, %2, %3), the front is at (%4, %5, %6)")
                                .arg(hit.x).arg(hit.y).arg(hit.z).arg(front.x).arg(front.y).arg(front.z)));
    }

    // The camera and grid maths behind the view.
    void trackballDrag_data()
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
    void trackballDrag()
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

    void wheel_data()
    {
        QTest::addColumn<QVector<int>>("deltas");
        QTest::addColumn<double>("expected"); // from a zoom of 1
        QTest::newRow("one notch up zooms out by 2.2") << QVector<int>{120} << 2.2;
        QTest::newRow("one notch down zooms in by 2.2") << QVector<int>{-120} << 1.0 / 2.2;
        QTest::newRow("a double notch is 3.4, not 2.2 squared") << QVector<int>{240} << 3.4;
    }
    void wheel()
    {
        QFETCH(QVector<int>, deltas);
        QFETCH(double, expected);
        Ui::ViewCamera camera;
        QVERIFY(camera.setZoom(1.0));
        for (int delta : deltas)
            camera.wheel(delta);
        QVERIFY2(near(camera.zoom(), expected, 1e-12), qPrintable(QString::number(camera.zoom(), 'g', 17)));
    }

    void snapping_data()
    {
        QTest::addColumn<double>("spacing");
        QTest::addColumn<Vector3D>("point");
        QTest::addColumn<Vector3D>("snapped");
        QTest::newRow("tie goes to the upper line") << 10.0 << Vector3D(5, 15, 3) << Vector3D(10, 20, 0);
        QTest::newRow("negative tie goes up too") << 10.0 << Vector3D(-5, -15, 0) << Vector3D(0, -10, 0);
        QTest::newRow("fine grid") << 0.25 << Vector3D(1.125, 0.3, 0) << Vector3D(1.25, 0.25, 0);
    }
    void snapping()
    {
        QFETCH(double, spacing);
        QFETCH(Vector3D, point);
        QFETCH(Vector3D, snapped);
        Ui::ViewGrid grid;
        QVERIFY(grid.setSpacing(spacing));
        QCOMPARE(grid.snap(point), snapped);
    }

    void gridLines_data()
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
    void gridLines()
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
};

QTEST_MAIN(TestGLView)
#include "tst_glview.moc"

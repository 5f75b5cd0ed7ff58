#include "GuiTestSupport.h"

#include "Core/PickState.h"
#include "Core/Selection.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "UI/GLWidget.h"
#include "UI/Observers/RedrawObserver.h"

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
    void translationKeys_data();
    void translationKeys();
    void redrawObserverRepaints();
    void facesBuiltAtFirstDraw();

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
    volume->lockCells()[volume->index(5, 5, 3)].material = 0;
    volume->unlockCells();
    painter.invalidate();
    frames.clear();
    view->update();
    QTRY_VERIFY(frames.count() > 0);
    QCOMPARE(painter.getOpaqueFaceCount(), faces + 4);
}

QTEST_MAIN(TestGLView)
#include "tst_glview.moc"

#include "GuiTestSupport.h"

#include "Model/Materials/MaterialFactory.h"
#include "UI/MainWindowPresenter.h"
#include "UI/ViewOverlay.h"
#include "Util/ColorSettings.h"

#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using Model::Automaton::TotalVolume;
using Ui::ViewOverlay;
using Util::Vector3D;

namespace {

const QString um = QStringLiteral(" \u00b5m");

double labelValue(const QString &label) { return label.endsWith(um) ? label.chopped(um.size()).toDouble() : -1.0; }

int sign(double v) { return std::abs(v) < 1e-9 ? 0 : v > 0 ? 1 : -1; }

} // namespace

// The overlays over the view: the scale bar's length choice, the triad's
// turn, and in the window the bar against the real projection, the menu
// switches, the legend's materials and the cursor position.
class TestViewOverlay : public QObject
{
    Q_OBJECT

    std::unique_ptr<Ui::MainWindow> window;
    Ui::GLWidget *view = nullptr;
    std::shared_ptr<TotalVolume> volume;

    // The window, in the top view, on a block of silicon 40 x 30 x 8 µm or
    // on silicon coated with oxide, 12 x 10 x 12 µm.
    void openWindow(bool coated)
    {
        volume = coated ? GuiTestSupport::volumeOf(12, 10, 12, GuiTestSupport::layeredIds(12, 10, 12, 4, 2))
                        : GuiTestSupport::volumeOf(40, 30, 8, std::vector<std::uint32_t>(40 * 30 * 8, 1));
        window = std::make_unique<Ui::MainWindow>();
        window->resize(900, 700);
        QVERIFY(GuiTestSupport::activate(window.get()));
        view = window->getView();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        window->getPresenter()->getWorkspace()->getDocument().addObject(volume);
        window->getPresenter()->getWorkspace()->notifyOperationEnded();
        window->setView(QStringLiteral("top"));
    }

private slots:
    void initTestCase() { Model::Materials::MaterialFactory::getInstance()->initialise(); }
    void cleanup()
    {
        window.reset();
        volume.reset();
    }

    void scaleBarChoice_data()
    {
        QTest::addColumn<double>("pixelsPerMicrometre");
        QTest::addColumn<double>("width");
        QTest::addColumn<QString>("length"); // µm in the label; empty: no bar
        QTest::newRow("1 px/µm: exactly a quarter") << 1.0 << 400.0 << "100";
        QTest::newRow("3 px/µm: 33 µm allowed") << 3.0 << 400.0 << "20";
        QTest::newRow("5 µm fit exactly") << 20.0 << 400.0 << "5";
        QTest::newRow("just under 2 µm allowed") << 50.1 << 400.0 << "1";
        QTest::newRow("far out") << 0.013 << 1000.0 << "10000";
        QTest::newRow("zoomed in: below a micrometre") << 250.0 << 800.0 << "0.5";
        QTest::newRow("deep zoom: nanometres in µm") << 40000.0 << 600.0 << "0.002";
        QTest::newRow("no scale") << 0.0 << 400.0 << "";
        QTest::newRow("infinite scale") << qInf() << 400.0 << "";
        QTest::newRow("not a number") << qQNaN() << 400.0 << "";
        QTest::newRow("no width") << 2.0 << 0.0 << "";
    }
    void scaleBarChoice()
    {
        QFETCH(double, pixelsPerMicrometre);
        QFETCH(double, width);
        QFETCH(QString, length);
        const ViewOverlay::Bar bar = ViewOverlay::chooseScaleBar(pixelsPerMicrometre, width);
        QCOMPARE(bar.isValid(), !length.isEmpty());
        if (!bar.isValid())
            return;
        QVERIFY2(std::abs(bar.micrometres - length.toDouble()) <= 1e-12 * bar.micrometres,
                 qPrintable(QString::number(bar.micrometres, 'g', 17)));
        QCOMPARE(ViewOverlay::lengthText(bar.micrometres), length + um);
        // Never wider than a quarter of the view, and the 1-2-5 steps keep it above a tenth.
        const double fraction = bar.pixels / width;
        QVERIFY2(fraction > 0.1 && fraction <= ViewOverlay::maxBarFraction * (1 + 1e-9), qPrintable(QString::number(fraction)));
        QVERIFY(std::abs(bar.pixels - bar.micrometres * pixelsPerMicrometre) <= 1e-9 * bar.pixels);
    }

    void positionText_data()
    {
        QTest::addColumn<Vector3D>("point");
        QTest::addColumn<double>("perPixel");
        QTest::addColumn<QString>("text");
        QTest::newRow("one decimal at least") << Vector3D(12.5, 3, 30) << 2.0 << "x 12.5%1, y 3.0%1, z 30.0%1";
        QTest::newRow("a pixel of 0.01 µm: two decimals, no -0")
            << Vector3D(-0.004, 1.23456, -2) << 0.01 << "x 0.00%1, y 1.23%1, z -2.00%1";
        QTest::newRow("four decimals at most") << Vector3D(0.5, 0, 0) << 1e-7 << "x 0.5000%1, y 0.0000%1, z 0.0000%1";
    }
    void positionText()
    {
        QFETCH(Vector3D, point);
        QFETCH(double, perPixel);
        QFETCH(QString, text);
        QCOMPARE(ViewOverlay::positionText(point, perPixel), text.arg(um));
    }

    void axesTurnWithTheScene_data()
    {
        QTest::addColumn<QVector<double>>("angles");
        // Signs of (dx, dy) for x, y and z in widget directions (y down); empty: not checked.
        QTest::addColumn<QVector<int>>("signs");
        QTest::newRow("top: x right, y up, z at the viewer") << QVector<double>{0, 0, 0} << QVector<int>{1, 0, 0, -1, 0, 0};
        QTest::newRow("front: x right, z up") << QVector<double>{-90, 0, 0} << QVector<int>{1, 0, 0, 0, 0, -1};
        QTest::newRow("isometric: x lower right, y upper right, z up")
            << QVector<double>{Ui::ViewCamera::isometricAngleX, 0, Ui::ViewCamera::isometricAngleZ}
            << QVector<int>{1, 1, 1, -1, 0, -1};
        QTest::newRow("oblique") << QVector<double>{-33, 71, 158} << QVector<int>{};
    }
    // Each arrow points where the camera projects the scene's own axis, and
    // they are drawn back to front.
    void axesTurnWithTheScene()
    {
        QFETCH(QVector<double>, angles);
        QFETCH(QVector<int>, signs);
        Ui::ViewCamera camera;
        camera.setViewportSize(300, 200);
        camera.setZoom(0.5);
        camera.setViewAngle(angles[0], angles[1], angles[2]);
        double rotation[16];
        camera.rotation().toMatrix(rotation);
        const Vector3D origin = camera.project(Vector3D());
        double previousDepth = 2.0;
        for (const ViewOverlay::Arrow &arrow : ViewOverlay::axisArrows(rotation)) {
            const Vector3D tip = camera.project(Vector3D(arrow.axis == 0, arrow.axis == 1, arrow.axis == 2));
            QVERIFY(std::abs(arrow.dx - (tip.x - origin.x) * camera.zoom()) < 1e-9);
            QVERIFY(std::abs(arrow.dy + (tip.y - origin.y) * camera.zoom()) < 1e-9);
            // Window depth falls towards the viewer.
            QVERIFY2(tip.z <= previousDepth + 1e-12, "an arrow in front is drawn before one behind it");
            previousDepth = tip.z;
            if (!signs.isEmpty()) {
                QCOMPARE(sign(arrow.dx), signs[2 * arrow.axis]);
                QCOMPARE(sign(arrow.dy), signs[2 * arrow.axis + 1]);
            }
        }
    }

    void scaleBarFollowsZoom_data()
    {
        QTest::addColumn<QVector<int>>("wheel");
        QTest::addColumn<double>("zoom");
        QTest::newRow("framed") << QVector<int>{} << 0.0;
        QTest::newRow("a nanometre per pixel") << QVector<int>{} << 0.001;
        QTest::newRow("40 µm per pixel, then a notch in") << QVector<int>{-120} << 40.0;
    }
    // The bar drawn is as long as it says, and its pixels over its label's
    // micrometres are the scale measured by projecting two points 100 µm apart.
    void scaleBarFollowsZoom()
    {
        QFETCH(QVector<int>, wheel);
        QFETCH(double, zoom);
        openWindow(false);
        if (zoom > 0.0)
            view->setZoom(zoom);
        const QPoint centre = view->rect().center();
        for (int delta : wheel) {
            QWheelEvent event(QPointF(centre), QPointF(view->mapToGlobal(centre)), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &event);
        }
        const QImage image = view->grabImage();
        const ViewOverlay::Layout &layout = view->overlayLayout();
        QVERIFY(layout.bar.isValid());
        // The longest run of the ink that stands out from the background, in one row.
        const Util::Vector4D background = Util::ColorSettings::currentColor(Util::ColorSettings::BackgroundColor);
        const QRgb ink = qGray(QColor::fromRgbF(background.x, background.y, background.z).rgb()) > 128 ? qRgb(0, 0, 0)
                                                                                                     : qRgb(255, 255, 255);
        const double ratio = view->devicePixelRatioF();
        const QRect place = QRectF(layout.scaleBar.topLeft() * ratio, layout.scaleBar.size() * ratio).toAlignedRect();
        int longest = 0;
        for (int y = place.top(); y <= place.bottom(); ++y)
            for (int x = place.left(), run = 0; x <= place.right(); ++x) {
                run = (image.pixel(x, y) | 0xff000000) == ink ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        QVERIFY2(std::abs(longest - layout.bar.pixels * ratio) <= 2.0,
                 qPrintable(QString("%1 px drawn for a %2 px bar").arg(longest).arg(layout.bar.pixels)));
        const Ui::ViewCamera &camera = view->viewCamera();
        const double measured = (camera.project(Vector3D(100, 0, 0)).x - camera.project(Vector3D()).x) / 100.0 / ratio;
        const double shown = layout.bar.pixels / labelValue(layout.barLabel);
        QVERIFY2(std::abs(shown - measured) <= 1e-6 * measured,
                 qPrintable(QString("%1 px for \"%2\", view %3 px/µm").arg(layout.bar.pixels).arg(layout.barLabel).arg(measured)));
        QVERIFY(layout.scaleBar.width() >= layout.bar.pixels - 1e-6);
        QVERIFY(view->rect().contains(layout.scaleBar.toAlignedRect()));
    }

    void menuSwitchesOverlay_data()
    {
        QTest::addColumn<QString>("actionName");
        QTest::addColumn<int>("part");
        QTest::newRow("Show Axes") << "actionShow_Axes" << int(ViewOverlay::Axes);
        QTest::newRow("Show Scale Bar") << "actionShow_Scale_Bar" << int(ViewOverlay::ScaleBar);
        QTest::newRow("Show Legend") << "actionShow_Legend" << int(ViewOverlay::Legend);
    }
    // Each part is in the saved picture until its Rendering menu entry is
    // unticked; then its place looks as with no overlay at all.
    void menuSwitchesOverlay()
    {
        QFETCH(QString, actionName);
        QFETCH(int, part);
        openWindow(true);
        const auto rectOf = [this](int which) {
            const ViewOverlay::Layout &layout = view->overlayLayout();
            const QRectF rect = which == ViewOverlay::Axes       ? layout.axes
                                : which == ViewOverlay::ScaleBar ? layout.scaleBar
                                                                 : layout.legend;
            const double ratio = view->devicePixelRatioF();
            return QRectF(rect.topLeft() * ratio, rect.size() * ratio).toAlignedRect();
        };
        QTemporaryDir folder;
        const auto saved = [&](const QString &name) {
            const QString path = folder.filePath(name);
            return window->saveImage(path) ? QImage(path) : QImage();
        };
        QAction *action = GuiTestSupport::action(window.get(), actionName);
        QVERIFY(action && action->isCheckable() && action->isChecked());
        const QList<QAction *> rendering = window->findChild<QMenu *>(QStringLiteral("menuRendering"))->actions();
        QVERIFY(rendering.contains(action));

        const QImage with = saved(QStringLiteral("with.png"));
        const QRect place = rectOf(part);
        QVERIFY(!place.isEmpty());
        action->trigger();
        QVERIFY(!view->overlayShown(ViewOverlay::Part(part)));
        const QImage without = saved(QStringLiteral("without.png"));
        QVERIFY(rectOf(part).isEmpty());
        for (QAction *other : rendering)
            if (other->objectName().startsWith(QLatin1String("actionShow_")) && other->isChecked())
                other->trigger();
        const QImage bare = saved(QStringLiteral("bare.png"));
        QVERIFY(!with.isNull() && !without.isNull() && !bare.isNull());
        QVERIFY2(with.copy(place) != bare.copy(place), "the part was not drawn into the picture");
        QVERIFY2(without.copy(place) == bare.copy(place), "the part is still in the picture");
        action->trigger();
        view->grabImage();
        QVERIFY(!rectOf(part).isEmpty());
    }

    // The legend lists the materials the shown cells hold: it follows writes
    // to the cells and hiding the volume.
    void legendFollowsShownCells()
    {
        openWindow(true);
        using Ids = std::vector<std::uint32_t>;
        QTRY_COMPARE_WITH_TIMEOUT(view->legendMaterialIds(), (Ids{1, 3}), 10000);
        view->grabImage();
        QCOMPARE(view->overlayLayout().legendRows, 2);
        {
            const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
            for (std::size_t i = 0; i < volume->getCellCount(); ++i)
                if (lock.cells()[i].material == 3)
                    lock.writableCells()[i].material = 7;
        }
        volume->getPainter().invalidate();
        view->update();
        QTRY_COMPARE_WITH_TIMEOUT(view->legendMaterialIds(), (Ids{1, 7}), 10000);

        volume->getPainter().setHidden(true);
        view->grabImage(); // a picture counts before it draws: no event loop needed
        QCOMPARE(view->legendMaterialIds(), Ids{});
        QVERIFY(view->overlayLayout().legend.isEmpty());

        const auto entries = ViewOverlay::legendEntries({1, 999999});
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].name, Model::Materials::MaterialFactory::getInstance()->getMaterial(1).getName());
        QCOMPARE(entries[1].name, QStringLiteral("Material 999999"));
    }

    // Over the volume the status bar gives the point of its surface under the
    // cursor; off it, or over an overlay, nothing.
    void cursorPositionInStatusBar()
    {
        openWindow(false);
        view->grabImage();
        auto *label = GuiTestSupport::child<QLabel>(window.get(), "lblCursorPosition");
        QVERIFY(label);
        // The coordinates shown after moving to `at`, in µm.
        const auto shownAt = [&](const QPoint &at) {
            QMouseEvent event(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(view, &event);
            QVector<double> values;
            const QStringList parts = label->text().split(QStringLiteral(", "));
            for (int axis = 0; axis < parts.size() && parts[axis].startsWith(QChar('x' + axis)); ++axis)
                values << labelValue(parts[axis].mid(2));
            return values;
        };
        const Vector3D onTop(13.0, 21.0, 8.0);
        const double pixel = view->viewCamera().zoom() * view->devicePixelRatioF();
        const QVector<double> top = shownAt(GuiTestSupport::pixelOf(view, onTop));
        QVERIFY2(top.size() == 3, qPrintable(label->text()));
        for (int axis = 0; axis < 3; ++axis)
            QVERIFY2(std::abs(top[axis] - onTop[axis]) <= 2 * pixel, qPrintable(label->text()));
        // On a face seen at a slant the point stays on it: the front face, y = 0, seen isometric.
        view->setViewAngle(Ui::ViewCamera::isometricAngleX, 0.0, Ui::ViewCamera::isometricAngleZ);
        view->grabImage();
        const QVector<double> front = shownAt(GuiTestSupport::pixelOf(view, Vector3D(20.0, 0.0, 4.0)));
        QVERIFY2(front.size() == 3 && std::abs(front[1]) <= 0.1 * pixel, qPrintable(label->text()));
        shownAt(QPoint(5, 5));
        QCOMPARE(label->text(), QString());
        shownAt(GuiTestSupport::pixelOf(view, onTop));
        QVERIFY(!label->text().isEmpty());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view, &leave);
        QCOMPARE(label->text(), QString());
    }
};

QTEST_MAIN(TestViewOverlay)
#include "tst_viewoverlay.moc"

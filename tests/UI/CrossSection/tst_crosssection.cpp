#include "Core/TestOperations.h"
#include "UI/GuiTestSupport.h"

#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Materials/MaterialLegend.h"
#include "Model/Metrology/RulerMeasure.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/SectionPicture.h"
#include "Model/Metrology/SurfaceProfile.h"
#include "Model/Metrology/TrenchMetrics.h"
#include "UI/Console/CommandConsole.h"
#include "UI/CrossSection/CrossSectionDock.h"
#include "UI/CrossSection/SectionMetricsTable.h"
#include "UI/CrossSection/SectionView.h"
#include "UI/MainWindowPresenter.h"
#include "Util/FloatText.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QJsonObject>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using Model::Automaton::TotalVolume;
using Model::Metrology::Axis;
using Model::Metrology::Section;
using Model::Metrology::SectionPicture;
using Model::Metrology::TrenchMetrics;
using Ui::CrossSection::CrossSectionDock;
using Ui::CrossSection::SectionMetricsTable;
using Ui::CrossSection::SectionView;

namespace {

constexpr std::uint32_t nx = 40, ny = 12, nz = 20;
constexpr std::uint32_t silicon = 1, oxide = 3, gold = 9, resist = 11;

// Silicon under 2 µm of resist. For y < 8 a trench 8 µm wide goes through
// the resist 8 µm deep, with a 1 µm undercut under the resist on each side;
// for y >= 8 a gold block sits on the resist at x 2 to 6 µm.
std::uint32_t structure(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    const bool trenchRow = y < 8;
    if (z < 4)
        return silicon;
    if (z < 8)
        return trenchRow && x >= 16 && x < 24 ? 0 : silicon;
    if (z < 10)
        return trenchRow && x >= 15 && x < 25 ? 0 : silicon;
    if (z < 12)
        return trenchRow && x >= 16 && x < 24 ? 0 : resist;
    if (z < 14 && !trenchRow && x >= 2 && x < 6)
        return gold;
    return 0;
}

QString nameOf(std::uint32_t id)
{
    return Model::Materials::MaterialLegend::entry(id).name;
}

QRgb colourOf(std::uint32_t id)
{
    if (id == 0)
        return qRgb(236, 240, 245); // the frame's background
    const QColor c = Model::Materials::MaterialLegend::entry(id).color;
    return qRgb(c.red(), c.green(), c.blue());
}

// A mouse event sent straight to the widget: what the view does with the
// real cursor elsewhere on the display cannot interfere.
void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pixel, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pixel), widget->mapToGlobal(pixel), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

// The Cross Section dock in the real main window: plane, legend, picture,
// zoom, hover, ruler, layer stack, trench metrics, files, and following the
// document through processes, undo, redo, selection and moves.
class TestCrossSection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Model::Materials::MaterialFactory::getInstance()->initialise(); }
    void init();
    void cleanup();
    void actionShowsDockAndPlane();
    void planeFollowsSlider_data();
    void planeFollowsSlider();
    void zoomPanAndFit_data();
    void zoomPanAndFit();
    void hoverNamesTheCell_data();
    void hoverNamesTheCell();
    void rulerByClicks_data();
    void rulerByClicks();
    void stackOfClickedColumn_data();
    void stackOfClickedColumn();
    void trenchTableMatchesMetrics_data();
    void trenchTableMatchesMetrics();
    void saveAndReadBack_data();
    void saveAndReadBack();
    void saveFailureIsShown_data();
    void saveFailureIsShown();
    void followsProcessUndoAndRedo();
    void followsSelectionAndMoves();

private:
    Core::Workspace *workspace() const { return window->getPresenter()->getWorkspace(); }
    CrossSectionDock *dock() const { return window->crossSectionDock(); }
    SectionView *view() const { return dock()->sectionView(); }
    QSlider *slider() const { return GuiTestSupport::child<QSlider>(dock(), "sldSectionPosition"); }
    QComboBox *axisChoice() const { return GuiTestSupport::child<QComboBox>(dock(), "cmbSectionAxis"); }
    QStringList consoleLines() const
    {
        return GuiTestSupport::lines(window->getPresenter()->getConsole()->outputText());
    }
    // Adds the structure and opens the dock on it.
    void openDock();
    // Picks the axis and drags the slider to `index`, checking on the way
    // that every step shows its own layer.
    void dragTo(Axis axis, int index);
    QPoint pixelOf(double u, double v) const
    {
        return view()->layout().toPixels(*dock()->section(), u, v).toPoint();
    }

    std::unique_ptr<Ui::MainWindow> window;
    std::shared_ptr<TotalVolume> volume;
    QTemporaryDir folder;
};

void TestCrossSection::init()
{
    window = std::make_unique<Ui::MainWindow>();
    window->resize(1100, 800);
    QVERIFY(GuiTestSupport::activate(window.get()));
}

void TestCrossSection::cleanup()
{
    window.reset();
    volume.reset();
}

void TestCrossSection::openDock()
{
    volume = TestSupport::volumeFrom(nx, ny, nz, structure);
    workspace()->getDocument().addObject(volume);
    workspace()->notifyOperationEnded();
    GuiTestSupport::action(window.get(), QStringLiteral("actionCrossSection"))->trigger();
    QTRY_VERIFY(dock()->isVisible() && dock()->section());
    QVERIFY(QTest::qWaitForWindowExposed(view()));
    QTRY_VERIFY(view()->width() > 300 && view()->height() > 200);
}

void TestCrossSection::dragTo(Axis axis, int index)
{
    axisChoice()->setCurrentIndex(axisChoice()->findData(int(axis)));
    QCOMPARE(dock()->section()->normal, axis);
    QSlider *s = slider();
    auto *spin = GuiTestSupport::child<QDoubleSpinBox>(dock(), "dblSectionPosition");
    const int first = s->value();
    s->setSliderDown(true);
    const int step = index >= first ? 1 : -1;
    for (int i = first; i != index + step; i += step) {
        s->setSliderPosition(i);
        QCOMPARE(int(dock()->section()->index), i);
        // Each step of the drag puts the plane through its layer's middle.
        if (i != first)
            QCOMPARE(spin->value(), i + 0.5);
    }
    s->setSliderDown(false);
    QCOMPARE(s->value(), index);
}

void TestCrossSection::actionShowsDockAndPlane()
{
    QAction *toggle = GuiTestSupport::action(window.get(), QStringLiteral("actionCrossSection"));
    QVERIFY(toggle->isCheckable());
    QVERIFY(!dock()->isVisible());
    // With nothing to cut, the dock says so and the 3-D view shows no plane.
    toggle->trigger();
    QTRY_VERIFY(dock()->isVisible());
    QVERIFY(!dock()->section());
    QVERIFY(view()->placeholderText().contains(QStringLiteral("no cell volume")));
    QVERIFY(!slider()->isEnabled());
    QVERIFY(!window->getView()->sectionPlane().shown);

    volume = TestSupport::volumeFrom(nx, ny, nz, structure);
    workspace()->getDocument().addObject(volume);
    workspace()->notifyOperationEnded();
    QTRY_VERIFY(dock()->section());
    // The plane starts in the middle of the volume: y = 6 µm lies in layer 6.
    QCOMPARE(dock()->section()->normal, Axis::Y);
    QCOMPARE(int(dock()->section()->index), 6);
    auto *spin = GuiTestSupport::child<QDoubleSpinBox>(dock(), "dblSectionPosition");
    QCOMPARE(spin->suffix(), QStringLiteral(" \u00b5m"));
    QCOMPARE(spin->minimum(), 0.0);
    QCOMPARE(spin->maximum(), double(ny));
    const Ui::CrossSection::SectionPlane plane = window->getView()->sectionPlane();
    QVERIFY(plane.shown);
    QCOMPARE(plane.normal, Axis::Y);
    QCOMPARE(plane.at, 6.5);
    QCOMPARE(plane.upper.x, double(nx));
    QCOMPARE(plane.upper.z, double(nz));
    // A position typed in µm and confirmed with Return (not taken by the
    // window's Return for operations).
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, QStringLiteral("2.25"));
    QTest::keyClick(spin, Qt::Key_Return);
    QCOMPARE(spin->value(), 2.25);
    QCOMPARE(int(dock()->section()->index), 2);
    QCOMPARE(slider()->value(), 2);
    QCOMPARE(window->getView()->sectionPlane().at, 2.5);

    // Closing the dock unticks the action and takes the plane away.
    dock()->close();
    QTRY_VERIFY(!toggle->isChecked());
    QVERIFY(!window->getView()->sectionPlane().shown);
    toggle->trigger();
    QTRY_VERIFY(dock()->isVisible());
    QVERIFY(window->getView()->sectionPlane().shown);
    toggle->trigger();
    QTRY_VERIFY(!dock()->isVisible());
    QVERIFY(!window->getView()->sectionPlane().shown);
}

void TestCrossSection::planeFollowsSlider_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("legend");
    // Cells checked in the picture: u, v (µm) and the material drawn there.
    QTest::addColumn<QPointF>("cell");
    QTest::addColumn<int>("material");

    const QString si = nameOf(silicon), au = nameOf(gold), pr = nameOf(resist);
    QTest::newRow("across y, through the trench") << int(Axis::Y) << 3 << QStringList{si, pr} << QPointF(20.5, 6.5) << 0;
    QTest::newRow("across y, silicon beside the trench") << int(Axis::Y) << 0 << QStringList{si, pr} << QPointF(5.5, 2.5)
                                                         << int(silicon);
    QTest::newRow("across y, through the gold") << int(Axis::Y) << 10 << QStringList{si, au, pr} << QPointF(3.5, 12.5)
                                                << int(gold);
    QTest::newRow("across x, gold and trench") << int(Axis::X) << 3 << QStringList{si, au, pr} << QPointF(9.5, 12.5)
                                               << int(gold);
    QTest::newRow("across x, in the trench") << int(Axis::X) << 20 << QStringList{si, pr} << QPointF(3.5, 6.5) << 0;
    QTest::newRow("across z, in the resist") << int(Axis::Z) << 11 << QStringList{pr} << QPointF(20.5, 9.5)
                                             << int(resist);
    QTest::newRow("across z, the opening") << int(Axis::Z) << 11 << QStringList{pr} << QPointF(20.5, 3.5) << 0;
    QTest::newRow("across z, the gold") << int(Axis::Z) << 13 << QStringList{au} << QPointF(3.5, 9.5) << int(gold);
}

void TestCrossSection::planeFollowsSlider()
{
    QFETCH(int, axis);
    QFETCH(int, index);
    QFETCH(QStringList, legend);
    QFETCH(QPointF, cell);
    QFETCH(int, material);
    openDock();
    dragTo(Axis(axis), index);

    const auto section = dock()->section();
    QCOMPARE(int(section->index), index);
    // The spin box follows in µm, inside the layer shown.
    const double position = GuiTestSupport::child<QDoubleSpinBox>(dock(), "dblSectionPosition")->value();
    QVERIFY2(position >= index && position < index + 1, qPrintable(QString::number(position)));
    const Ui::CrossSection::SectionPlane plane = window->getView()->sectionPlane();
    QVERIFY(plane.shown);
    QCOMPARE(int(plane.normal), axis);
    QCOMPARE(plane.at, index + 0.5);
    QCOMPARE(view()->legendNames(), legend);

    // The picture: the material at its cell, at true aspect.
    const QImage image = view()->grab().toImage();
    const SectionPicture::Layout layout = view()->layout();
    QVERIFY(std::abs(layout.plot.width() / layout.plot.height()
                     - (section->width * section->uCell) / (section->height * section->vCell)) < 1e-9);
    const QPoint at = pixelOf(cell.x(), cell.y());
    QVERIFY(layout.frame.contains(at));
    QCOMPARE(QColor(image.pixel(at)).name(), QColor(colourOf(std::uint32_t(material))).name());
}

void TestCrossSection::zoomPanAndFit_data()
{
    QTest::addColumn<int>("notches");
    QTest::addColumn<QPointF>("under"); // µm under the cursor
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("drag");

    QTest::newRow("two notches in on the trench, right drag") << 2 << QPointF(20.0, 8.0) << int(Qt::RightButton)
                                                              << QPoint(40, -25);
    QTest::newRow("three notches in at a corner, middle drag") << 3 << QPointF(2.0, 1.0) << int(Qt::MiddleButton)
                                                               << QPoint(-30, 10);
    QTest::newRow("one notch out") << -1 << QPointF(30.0, 15.0) << int(Qt::RightButton) << QPoint(5, 5);
    QTest::newRow("far past the largest zoom") << 80 << QPointF(10.5, 10.5) << int(Qt::MiddleButton) << QPoint(3, -3);
}

void TestCrossSection::zoomPanAndFit()
{
    QFETCH(int, notches);
    QFETCH(QPointF, under);
    QFETCH(int, button);
    QFETCH(QPoint, drag);
    openDock();
    const auto section = dock()->section();
    const std::pair<double, double> whole = view()->visibleRange();
    QCOMPARE(whole.first, section->uOrigin);
    QCOMPARE(whole.second, section->uEnd());

    // The wheel zooms about the cursor: the point under it stays there.
    const QPointF pixel = view()->layout().toPixels(*section, under.x(), under.y());
    QWheelEvent wheel(pixel, QPointF(view()->mapToGlobal(pixel.toPoint())), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view(), &wheel);
    const double expected = std::clamp(std::pow(SectionView::wheelFactor, notches), SectionView::minimumZoom,
                                       SectionView::maximumZoom);
    QVERIFY(std::abs(view()->zoom() / expected - 1.0) < 1e-9);
    const QPointF still = view()->layout().toSection(*section, pixel);
    QVERIFY2(std::abs(still.x() - under.x()) < 1e-6 && std::abs(still.y() - under.y()) < 1e-6,
             qPrintable(QStringLiteral("%1, %2").arg(still.x()).arg(still.y())));
    if (notches > 0) {
        const std::pair<double, double> range = view()->visibleRange();
        QVERIFY(range.second - range.first < whole.second - whole.first);
    }

    // A drag with the middle or right button pans: the point under the
    // cursor follows it.
    const QPoint start = pixel.toPoint();
    const QPointF grabbed = view()->layout().toSection(*section, start);
    const Qt::MouseButton b = Qt::MouseButton(button);
    sendMouse(view(), QEvent::MouseButtonPress, start, b, b);
    sendMouse(view(), QEvent::MouseMove, start + drag / 2, Qt::NoButton, b);
    sendMouse(view(), QEvent::MouseMove, start + drag, Qt::NoButton, b);
    sendMouse(view(), QEvent::MouseButtonRelease, start + drag, b, Qt::NoButton);
    const QPointF moved = view()->layout().toSection(*section, start + drag);
    QVERIFY2(std::abs(moved.x() - grabbed.x()) < 1e-6 && std::abs(moved.y() - grabbed.y()) < 1e-6,
             qPrintable(QStringLiteral("%1, %2 against %3, %4").arg(moved.x()).arg(moved.y()).arg(grabbed.x()).arg(grabbed.y())));
    // A pan is no click on the section: no column was chosen.
    QCOMPARE(dock()->metricsTable()->item(0, 0)->text(), QStringLiteral("Layer stack"));

    // A double click fits the whole section again.
    QTest::mouseDClick(view(), Qt::LeftButton, Qt::NoModifier, view()->rect().center());
    QCOMPARE(view()->zoom(), 1.0);
    QCOMPARE(view()->centre(), QPointF(0.5 * nx, 0.5 * nz));
    QCOMPARE(view()->visibleRange(), whole);
}

void TestCrossSection::hoverNamesTheCell_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("index");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QString>("axes");
    QTest::addColumn<QString>("material");

    QTest::newRow("silicon") << int(Axis::Y) << 3 << QPointF(5.5, 2.5) << "xz" << nameOf(silicon);
    QTest::newRow("the trench's void") << int(Axis::Y) << 3 << QPointF(20.5, 6.5) << "xz" << QStringLiteral("empty");
    QTest::newRow("resist") << int(Axis::Y) << 3 << QPointF(30.5, 11.5) << "xz" << nameOf(resist);
    QTest::newRow("across x, gold") << int(Axis::X) << 3 << QPointF(9.5, 12.5) << "yz" << nameOf(gold);
    QTest::newRow("across z, resist") << int(Axis::Z) << 11 << QPointF(30.5, 2.5) << "xy" << nameOf(resist);
}

void TestCrossSection::hoverNamesTheCell()
{
    QFETCH(int, axis);
    QFETCH(int, index);
    QFETCH(QPointF, point);
    QFETCH(QString, axes);
    QFETCH(QString, material);
    openDock();
    dragTo(Axis(axis), index);
    auto *label = GuiTestSupport::child<QLabel>(dock(), "lblSectionHover");
    sendMouse(view(), QEvent::MouseMove, pixelOf(point.x(), point.y()), Qt::NoButton, Qt::NoButton);
    // "x 5.52 µm, z 2.48 µm: Si": the point under the cursor, within a pixel.
    const QRegularExpression format(QStringLiteral("^%1 (-?[0-9]+\\.[0-9]+) \u00b5m, %2 (-?[0-9]+\\.[0-9]+) \u00b5m: (.+)$")
                                        .arg(axes.at(0), axes.at(1)));
    const QRegularExpressionMatch match = format.match(label->text());
    QVERIFY2(match.hasMatch(), qPrintable(label->text()));
    const double pixel = 1.0 / view()->layout().pixelsPerMicrometre;
    QVERIFY(std::abs(match.captured(1).toDouble() - point.x()) <= pixel);
    QVERIFY(std::abs(match.captured(2).toDouble() - point.y()) <= pixel);
    QCOMPARE(match.captured(3), material);
    // Off the section the label is empty.
    sendMouse(view(), QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::NoButton);
    QVERIFY(label->text().isEmpty());
}

void TestCrossSection::rulerByClicks_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QString>("line");

    // Clicks a little off the cell centres snap to them.
    QTest::newRow("3-4-5") << QPointF(2.6, 3.4) << QPointF(5.45, 7.55)
                           << QStringLiteral("Ruler on section y = 3.5 \u00b5m: distance 5 \u00b5m, dx 3 \u00b5m, dz 4 "
                                             "\u00b5m, angle 53.1301\u00b0 (from x 2.5, z 3.5 to x 5.5, z 7.5 \u00b5m)");
    QTest::newRow("the trench's depth") << QPointF(20.5, 4.5) << QPointF(20.5, 11.5)
                                        << QStringLiteral("Ruler on section y = 3.5 \u00b5m: distance 7 \u00b5m, dx 0 "
                                                          "\u00b5m, dz 7 \u00b5m, angle 90\u00b0 (from x 20.5, z 4.5 "
                                                          "to x 20.5, z 11.5 \u00b5m)");
    QTest::newRow("falling leftwards") << QPointF(30.5, 9.5) << QPointF(22.5, 1.5)
                                       << QStringLiteral("Ruler on section y = 3.5 \u00b5m: distance 11.3137 \u00b5m, dx "
                                                         "-8 \u00b5m, dz -8 \u00b5m, angle 45\u00b0 (from x 30.5, z 9.5 "
                                                         "to x 22.5, z 1.5 \u00b5m)");
}

void TestCrossSection::rulerByClicks()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QString, line);
    openDock();
    dragTo(Axis::Y, 3);
    auto *ruler = GuiTestSupport::child<QToolButton>(dock(), "btnSectionRuler");
    QTest::mouseClick(ruler, Qt::LeftButton);
    QVERIFY(ruler->isChecked());
    const int linesBefore = consoleLines().size();

    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(from.x(), from.y()));
    QVERIFY(!dock()->rulerReading());
    QCOMPARE(consoleLines().size(), linesBefore);
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(to.x(), to.y()));
    QVERIFY(dock()->rulerReading());
    QTRY_COMPARE(consoleLines().size(), linesBefore + 1);
    QCOMPARE(consoleLines().last(), line);
    // Drawn on the section with its label.
    const auto drawn = view()->options().ruler;
    QVERIFY(drawn);
    QCOMPARE(drawn->label, Model::Metrology::RulerMeasure::label(*dock()->rulerReading()));
    QCOMPARE(drawn->to, dock()->rulerReading()->to);

    // A third click starts a new measurement; leaving the tool clears it.
    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(10.5, 2.5));
    QVERIFY(!dock()->rulerReading());
    QCOMPARE(consoleLines().size(), linesBefore + 1);
    QTest::mouseClick(ruler, Qt::LeftButton);
    QVERIFY(!view()->options().ruler);
}

void TestCrossSection::stackOfClickedColumn_data()
{
    QTest::addColumn<QPointF>("click");
    QTest::addColumn<QString>("title");
    // Top down: material, bottom, top (µm).
    QTest::addColumn<QString>("layers");

    QTest::newRow("beside the trench") << QPointF(5.3, 1.2) << QStringLiteral("Layers at x = 5.5 \u00b5m")
                                       << QStringLiteral("11 10 12, 1 0 10");
    QTest::newRow("over the undercut") << QPointF(15.5, 0.5) << QStringLiteral("Layers at x = 15.5 \u00b5m")
                                       << QStringLiteral("11 10 12, 0 8 10, 1 0 8");
    QTest::newRow("the trench's floor") << QPointF(20.7, 2.5) << QStringLiteral("Layers at x = 20.5 \u00b5m")
                                        << QStringLiteral("1 0 4");
}

void TestCrossSection::stackOfClickedColumn()
{
    QFETCH(QPointF, click);
    QFETCH(QString, title);
    QFETCH(QString, layers);
    openDock();
    dragTo(Axis::Y, 3);
    SectionMetricsTable *table = dock()->metricsTable();
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Click the section to list the layers of a column."));

    QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(click.x(), click.y()));
    QCOMPARE(table->item(0, 0)->text(), title);
    const QStringList expected = layers.split(QStringLiteral(", "));
    for (int i = 0; i < expected.size(); ++i) {
        const QStringList parts = expected[i].split(QLatin1Char(' '));
        const std::uint32_t id = parts[0].toUInt();
        const double bottom = parts[1].toDouble();
        const double top = parts[2].toDouble();
        const int row = 1 + i;
        QCOMPARE(table->item(row, 0)->text(), id == 0 ? QStringLiteral("void") : nameOf(id));
        QCOMPARE(table->item(row, 1)->data(SectionMetricsTable::ValueRole).toDouble(), bottom);
        QCOMPARE(table->item(row, 2)->data(SectionMetricsTable::ValueRole).toDouble(), top);
        QCOMPARE(table->item(row, 3)->data(SectionMetricsTable::ValueRole).toDouble(), top - bottom);
        QCOMPARE(table->item(row, 3)->text(), Util::floatText(float(top - bottom)) + QStringLiteral(" \u00b5m"));
    }
    // The next row heads the trench.
    QVERIFY(table->item(1 + expected.size(), 0)->text().startsWith(QStringLiteral("Trench in x")));
    // The stack follows the plane.
    dragTo(Axis::Y, 10);
    QCOMPARE(table->item(0, 0)->text(), title);
    QCOMPARE(table->item(1, 0)->text(), nameOf(click.x() < 6.0 ? gold : resist));
}

void TestCrossSection::trenchTableMatchesMetrics_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("mask");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("trench");

    QTest::newRow("whole section, no mask") << 3 << 0 << 1.0 << true;
    QTest::newRow("whole section, resist as mask") << 3 << int(resist) << 1.0 << true;
    QTest::newRow("zoomed on the trench") << 3 << int(resist) << 2.5 << true;
    QTest::newRow("a plane without a trench") << 10 << 0 << 1.0 << false;
}

void TestCrossSection::trenchTableMatchesMetrics()
{
    QFETCH(int, index);
    QFETCH(int, mask);
    QFETCH(double, zoom);
    QFETCH(bool, trench);
    openDock();
    dragTo(Axis::Y, index);
    auto *maskChoice = GuiTestSupport::child<QComboBox>(dock(), "cmbSectionMask");
    maskChoice->setCurrentIndex(std::max(0, maskChoice->findData(uint(mask))));
    view()->setZoom(zoom, QPointF(20.0, 8.0));
    const auto section = dock()->section();

    // The range is the visible one: the whole section when fitted.
    const Model::Metrology::TrenchRequest request = dock()->trenchRequest();
    const std::pair<double, double> visible = view()->visibleRange();
    QCOMPARE(*request.from, visible.first);
    QCOMPARE(*request.to, visible.second);
    if (zoom == 1.0) {
        QCOMPARE(*request.from, section->uOrigin);
        QCOMPARE(*request.to, section->uEnd());
    } else {
        QVERIFY(*request.to - *request.from < section->uEnd() - section->uOrigin);
    }
    QCOMPARE(request.mask.value_or(0), std::uint32_t(mask));

    QString error;
    const auto expected = TrenchMetrics::measure(*section, request, &error);
    QCOMPARE(bool(expected), trench);
    SectionMetricsTable *table = dock()->metricsTable();
    if (!trench) {
        QCOMPARE(table->metricRow(QStringLiteral("depth")), -1);
        QCOMPARE(table->item(table->rowCount() - 1, 0)->text(), error);
        return;
    }
    // The same numbers as the other front ends get from toJson.
    const QJsonObject json = TrenchMetrics::toJson(*expected);
    for (const char *key : {"depth", "top_width", "bottom_width", "angle_left", "angle_right", "bowing", "undercut"}) {
        const int row = table->metricRow(QLatin1String(key));
        QVERIFY2(row >= 0, key);
        const QTableWidgetItem *value = table->item(row, 3);
        if (json.value(QLatin1String(key)).isNull()) {
            QVERIFY2(!value->data(SectionMetricsTable::ValueRole).isValid(), key);
            QCOMPARE(value->text(), QStringLiteral("\u2014"));
        } else {
            const double number = json.value(QLatin1String(key)).toDouble();
            QCOMPARE(value->data(SectionMetricsTable::ValueRole).toDouble(), number);
            // The text shows it to a hundredth of a degree, lengths in full.
            const bool angle = QByteArray(key).startsWith("angle");
            QVERIFY2(value->text().endsWith(angle ? QStringLiteral("\u00b0") : QStringLiteral(" \u00b5m")),
                     qPrintable(value->text()));
            const double shown = value->text().section(QRegularExpression(QStringLiteral("[ \u00b0]")), 0, 0).toDouble();
            QVERIFY2(std::abs(shown - number) <= (angle ? 0.005 : 1e-5 * std::abs(number)), qPrintable(value->text()));
        }
    }
    // The structure's own numbers: 8 µm deep, 8 µm wide at the top, bowed
    // by the 1 µm undercut on each side.
    QCOMPARE(json.value(QStringLiteral("depth")).toDouble(), 8.0);
    QCOMPARE(json.value(QStringLiteral("top_width")).toDouble(), 8.0);
    QCOMPARE(json.value(QStringLiteral("bowing")).toDouble(), 2.0);
    if (mask)
        QCOMPARE(json.value(QStringLiteral("undercut")).toDouble(), 1.0);
    if (zoom == 1.0) {
        // Fitted, the window measures what a caller asking for the whole
        // section gets.
        Model::Metrology::TrenchRequest whole;
        whole.mask = request.mask;
        QCOMPARE(TrenchMetrics::toJson(*TrenchMetrics::measure(*section, whole, nullptr)), json);
    }
}

void TestCrossSection::saveAndReadBack_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");

    // A name typed without its extension gets the filter's.
    QTest::newRow("PNG") << "actionSaveSectionPng" << "Save Section as PNG" << "section" << "section.png";
    QTest::newRow("SVG") << "actionSaveSectionSvg" << "Save Section as SVG" << "drawing.svg" << "drawing.svg";
    QTest::newRow("CSV") << "actionSaveSectionCsv" << "Save Section as CSV" << "cells" << "cells.csv";
}

void TestCrossSection::saveAndReadBack()
{
    QFETCH(QString, action);
    QFETCH(QString, caption);
    QFETCH(QString, name);
    QFETCH(QString, written);
    QVERIFY(folder.isValid());
    openDock();
    dragTo(Axis::Y, 3);
    const QString typed = folder.filePath(name);
    const QString path = folder.filePath(written);
    QFile::remove(path);
    bool asked = false;
    GuiTestSupport::whenModal<QFileDialog>(caption, [&](QFileDialog *chooser) {
        asked = true;
        GuiTestSupport::typeFileName(chooser, typed);
    });
    auto *trigger = dock()->findChild<QAction *>(action);
    QVERIFY(trigger);
    QCOMPARE(trigger->text(), caption + QStringLiteral("\u2026"));
    trigger->trigger();
    QVERIFY(asked);
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    const auto section = dock()->section();
    QCOMPARE(consoleLines().last(), QStringLiteral("Section y = 3.5 \u00b5m saved to %1").arg(QDir::toNativeSeparators(path)));

    const QSize size = SectionPicture::fileSize(*section, SectionPicture::Options());
    if (written.endsWith(QStringLiteral(".csv"))) {
        QCOMPARE(GuiTestSupport::readFile(path), Model::Metrology::SectionExport::csv(*section));
        return;
    }
    QImage image;
    if (written.endsWith(QStringLiteral(".png"))) {
        image = QImage(path);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), size);
    } else {
        QSvgRenderer renderer(path);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.defaultSize(), size);
        QCOMPARE(renderer.viewBoxF().width() / renderer.viewBoxF().height(), double(size.width()) / size.height());
        image = QImage(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        renderer.render(&painter);
    }
    // True aspect: the cells lie where a fitted layout of that size puts them.
    const SectionPicture::Layout layout = SectionPicture::fit(*section, QSizeF(size), SectionPicture::Options());
    QCOMPARE(layout.plot.width() / layout.plot.height(), double(nx) / nz);
    const std::pair<QPointF, std::uint32_t> cells[] = {
        {{5.5, 2.5}, silicon}, {{30.5, 11.5}, resist}, {{20.5, 6.5}, 0}, {{37.5, 16.5}, 0}};
    for (const auto &[cell, material] : cells) {
        const QPoint at = layout.toPixels(*section, cell.x(), cell.y()).toPoint();
        QCOMPARE(QColor(image.pixel(at)).name(), QColor(colourOf(material)).name());
    }
}

void TestCrossSection::saveFailureIsShown_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("reason");

    QTest::newRow("PNG into a missing folder") << int(CrossSectionDock::Format::Png) << "missing/folder/s.png"
                                               << "Save Section as PNG" << "could not be written";
    QTest::newRow("CSV into a missing folder") << int(CrossSectionDock::Format::Csv) << "missing/folder/s.csv"
                                               << "Save Section as CSV" << "could not be written";
    QTest::newRow("a picture named .bmp") << int(CrossSectionDock::Format::Svg) << "s.bmp" << "Save Section as SVG"
                                          << "a section picture is saved as .png or .svg";
}

void TestCrossSection::saveFailureIsShown()
{
    QFETCH(int, format);
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QFETCH(QString, reason);
    openDock();
    const QString target = folder.filePath(path);
    QString text;
    GuiTestSupport::answerBox(&text, QMessageBox::Ok, caption);
    QVERIFY(!dock()->save(CrossSectionDock::Format(format), target));
    QVERIFY2(text.contains(QDir::toNativeSeparators(target)) && text.contains(reason), qPrintable(text));
    QVERIFY(!QFileInfo::exists(target));
}

void TestCrossSection::followsProcessUndoAndRedo()
{
    openDock();
    dragTo(Axis::Y, 3);
    const QString si = nameOf(silicon), ox = nameOf(oxide), pr = nameOf(resist);
    QCOMPARE(view()->legendNames(), QStringList({si, pr}));
    QVERIFY(dock()->trench());
    const auto fresh = [this] {
        return Model::Metrology::SectionCut::take(*volume, Axis::Y, 3.5, nullptr)->ids;
    };

    // A process run through the window fills the trench with oxide.
    TestSupport::playDialogs<TestSupport::FillOperation>(*workspace(), [](TestSupport::FillOperation &op) {
        op.setMaterial(oxide);
        op.end();
    });
    workspace()->getSelection().select(volume);
    window->getPresenter()->operationActivated(QStringLiteral("50"));
    QTRY_COMPARE(view()->legendNames(), QStringList({si, ox, pr}));
    QCOMPARE(dock()->section()->ids, fresh());
    QVERIFY(!dock()->trench());
    QCOMPARE(int(dock()->section()->index), 3);

    GuiTestSupport::action(window.get(), QStringLiteral("actionUndo"))->trigger();
    QTRY_COMPARE(view()->legendNames(), QStringList({si, pr}));
    QCOMPARE(dock()->section()->ids, fresh());
    QVERIFY(dock()->trench());
    GuiTestSupport::action(window.get(), QStringLiteral("actionRedo"))->trigger();
    QTRY_COMPARE(view()->legendNames(), QStringList({si, ox, pr}));
    QCOMPARE(dock()->section()->ids, fresh());
}

void TestCrossSection::followsSelectionAndMoves()
{
    openDock();
    dragTo(Axis::Y, 3);
    auto *spin = GuiTestSupport::child<QDoubleSpinBox>(dock(), "dblSectionPosition");

    // Moved along y past the plane: the plane comes to the nearest face.
    volume->translate(Util::Vector3D(0.0, 50.0, 0.0));
    workspace()->notifyOperationEnded();
    QTRY_COMPARE(spin->minimum(), 50.0);
    QCOMPARE(spin->maximum(), 62.0);
    QCOMPARE(spin->value(), 50.0);
    QCOMPARE(int(dock()->section()->index), 0);
    QCOMPARE(window->getView()->sectionPlane().at, 50.5);

    // A second volume is cut once it is selected, from its middle.
    auto second = TestSupport::volumeFrom(10, 6, 8, [](std::uint32_t, std::uint32_t, std::uint32_t z) {
        return z < 3 ? gold : 0u;
    });
    workspace()->getDocument().addObject(second);
    workspace()->notifyOperationEnded();
    QTest::qWait(50);
    QCOMPARE(dock()->volume(), volume);
    workspace()->getSelection().select(second);
    QTRY_COMPARE(dock()->volume(), second);
    QCOMPARE(view()->legendNames(), QStringList({nameOf(gold)}));
    QCOMPARE(spin->maximum(), 6.0);
    QCOMPARE(spin->value(), 3.0);
    QCOMPARE(slider()->maximum(), 5);

    // Nothing left to cut: the placeholder, and no plane in the 3-D view.
    workspace()->getSelection().clearSelection();
    workspace()->getDocument().removeObject(second);
    workspace()->getDocument().removeObject(volume);
    workspace()->notifyOperationEnded();
    QTRY_VERIFY(!dock()->section());
    QVERIFY(view()->placeholderText().contains(QStringLiteral("no cell volume")));
    QVERIFY(!window->getView()->sectionPlane().shown);
    QVERIFY(!slider()->isEnabled());
}

QTEST_MAIN(TestCrossSection)
#include "tst_crosssection.moc"

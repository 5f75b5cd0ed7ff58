#include "UI/GuiTestSupport.h"

#include "Model/Materials/MaterialFactory.h"
#include "Model/Materials/MaterialLegend.h"
#include "Model/Metrology/RulerMeasure.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/SectionPicture.h"
#include "Model/Metrology/TrenchMetrics.h"
#include "UI/Console/CommandConsole.h"
#include "UI/CrossSection/CrossSectionDock.h"
#include "UI/CrossSection/SectionMetricsTable.h"
#include "UI/CrossSection/SectionView.h"
#include "UI/MainWindowPresenter.h"
#include "Util/FloatText.h"

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
using Model::Metrology::SectionPicture;
using Model::Metrology::TrenchMetrics;
using Ui::CrossSection::CrossSectionDock;
using Ui::CrossSection::SectionMetricsTable;
using Ui::CrossSection::SectionView;

namespace {

constexpr std::uint32_t nx = 40, ny = 12, nz = 20;
constexpr std::uint32_t silicon = 1, oxide = 3, gold = 9, resist = 11;
const QString um = QStringLiteral(" \u00b5m");

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

QString nameOf(std::uint32_t id) { return Model::Materials::MaterialLegend::entry(id).name; }

// The colour a cell of `id` is drawn in, by name (#rrggbb).
QString colourOf(std::uint32_t id)
{
    return id == 0 ? QColor(236, 240, 245).name() // the frame's background
                   : Model::Materials::MaterialLegend::entry(id).color.name();
}

// A mouse event sent straight to the widget: what the view does with the
// real cursor elsewhere on the display cannot interfere.
void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pixel, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pixel), widget->mapToGlobal(pixel), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

bool near(const QPointF &a, const QPointF &b) { return std::abs(a.x() - b.x()) < 1e-6 && std::abs(a.y() - b.y()) < 1e-6; }

} // namespace

// The Cross Section dock in the real main window: plane, legend, picture,
// zoom, hover, ruler, layer stack, trench metrics, files, and following the
// document through processes, undo, redo, selection and moves.
class TestCrossSection : public QObject
{
    Q_OBJECT

    std::unique_ptr<Ui::MainWindow> window;
    std::shared_ptr<TotalVolume> volume;
    QTemporaryDir folder;

    Core::Workspace *workspace() const { return window->getPresenter()->getWorkspace(); }
    CrossSectionDock *dock() const { return window->crossSectionDock(); }
    SectionView *view() const { return dock()->sectionView(); }
    QSlider *slider() const { return GuiTestSupport::child<QSlider>(dock(), "sldSectionPosition"); }
    QDoubleSpinBox *spin() const { return GuiTestSupport::child<QDoubleSpinBox>(dock(), "dblSectionPosition"); }
    QAction *action(const char *name) const { return GuiTestSupport::action(window.get(), QLatin1String(name)); }
    QStringList consoleLines() const { return GuiTestSupport::lines(window->getPresenter()->getConsole()->outputText()); }
    QPoint pixelOf(const QPointF &uv) const { return view()->layout().toPixels(*dock()->section(), uv.x(), uv.y()).toPoint(); }
    Ui::CrossSection::SectionPlane plane() const { return window->getView()->sectionPlane(); }

    void addStructure()
    {
        volume = TestSupport::volumeFrom(nx, ny, nz, structure);
        workspace()->getDocument().addObject(volume);
        workspace()->notifyOperationEnded();
    }

    // Adds the structure, opens the dock on it and drags the plane to `index`
    // across `axis`, checking that every step of the drag shows its own layer
    // through the layer's middle.
    void openDock(Axis axis = Axis::Y, int index = 3)
    {
        addStructure();
        action("actionCrossSection")->trigger();
        QTRY_VERIFY(dock()->isVisible() && dock()->section());
        QVERIFY(QTest::qWaitForWindowExposed(view()));
        QTRY_VERIFY(view()->width() > 300 && view()->height() > 200);
        dragTo(axis, index);
    }
    void dragTo(Axis axis, int index)
    {
        auto *axes = GuiTestSupport::child<QComboBox>(dock(), "cmbSectionAxis");
        axes->setCurrentIndex(axes->findData(int(axis)));
        QCOMPARE(dock()->section()->normal, axis);
        QSlider *s = slider();
        const int first = s->value();
        s->setSliderDown(true);
        const int step = index >= first ? 1 : -1;
        for (int i = first; i != index + step; i += step) {
            s->setSliderPosition(i);
            QCOMPARE(int(dock()->section()->index), i);
            if (i != first)
                QCOMPARE(spin()->value(), i + 0.5);
        }
        s->setSliderDown(false);
        QCOMPARE(s->value(), index);
    }

private slots:
    void initTestCase() { Model::Materials::MaterialFactory::getInstance()->initialise(); }
    void init()
    {
        window = std::make_unique<Ui::MainWindow>();
        window->resize(1100, 800);
        QVERIFY(GuiTestSupport::activate(window.get()));
    }
    void cleanup()
    {
        window.reset();
        volume.reset();
    }

    void actionShowsDockAndPlane()
    {
        QAction *toggle = action("actionCrossSection");
        QVERIFY(toggle->isCheckable());
        QVERIFY(!dock()->isVisible());
        // With nothing to cut, the dock says so and the 3-D view shows no plane.
        toggle->trigger();
        QTRY_VERIFY(dock()->isVisible());
        QVERIFY(!dock()->section());
        QVERIFY(view()->placeholderText().contains(QStringLiteral("no cell volume")));
        QVERIFY(!slider()->isEnabled());
        QVERIFY(!plane().shown);

        addStructure();
        QTRY_VERIFY(dock()->section());
        // The plane starts in the middle of the volume: y = 6 µm lies in layer 6.
        QCOMPARE(dock()->section()->normal, Axis::Y);
        QCOMPARE(int(dock()->section()->index), 6);
        QCOMPARE(spin()->suffix(), um);
        QCOMPARE(spin()->minimum(), 0.0);
        QCOMPARE(spin()->maximum(), double(ny));
        QVERIFY(plane().shown);
        QCOMPARE(plane().normal, Axis::Y);
        QCOMPARE(plane().at, 6.5);
        QCOMPARE(plane().upper.x, double(nx));
        QCOMPARE(plane().upper.z, double(nz));
        // A position typed in µm and confirmed with Return (not taken by the
        // window's Return for operations).
        spin()->setFocus();
        QTest::keyClick(spin(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(spin(), QStringLiteral("2.25"));
        QTest::keyClick(spin(), Qt::Key_Return);
        QCOMPARE(spin()->value(), 2.25);
        QCOMPARE(int(dock()->section()->index), 2);
        QCOMPARE(slider()->value(), 2);
        QCOMPARE(plane().at, 2.5);

        // Closing the dock unticks the action and takes the plane away.
        dock()->close();
        QTRY_VERIFY(!toggle->isChecked());
        QVERIFY(!plane().shown);
        toggle->trigger();
        QTRY_VERIFY(dock()->isVisible());
        QVERIFY(plane().shown);
        toggle->trigger();
        QTRY_VERIFY(!dock()->isVisible());
        QVERIFY(!plane().shown);
    }

    void planeShowsAndNamesTheCells_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("legend");
        QTest::addColumn<QPointF>("cell"); // u, v in µm
        QTest::addColumn<int>("material");

        const QString si = nameOf(silicon), au = nameOf(gold), pr = nameOf(resist);
        const int y = int(Axis::Y), x = int(Axis::X), z = int(Axis::Z);
        QTest::newRow("across y, the trench's void") << y << 3 << QStringList{si, pr} << QPointF(20.5, 6.5) << 0;
        QTest::newRow("across y, resist") << y << 3 << QStringList{si, pr} << QPointF(30.5, 11.5) << int(resist);
        QTest::newRow("across y, silicon at the first layer") << y << 0 << QStringList{si, pr} << QPointF(5.5, 2.5)
                                                               << int(silicon);
        QTest::newRow("across y, through the gold") << y << 10 << QStringList{si, au, pr} << QPointF(3.5, 12.5)
                                                    << int(gold);
        QTest::newRow("across x, gold and trench") << x << 3 << QStringList{si, au, pr} << QPointF(9.5, 12.5) << int(gold);
        QTest::newRow("across x, in the trench") << x << 20 << QStringList{si, pr} << QPointF(3.5, 6.5) << 0;
        QTest::newRow("across z, the opening") << z << 11 << QStringList{pr} << QPointF(20.5, 3.5) << 0;
        QTest::newRow("across z, the gold") << z << 13 << QStringList{au} << QPointF(3.5, 9.5) << int(gold);
    }
    // The plane in the dock and the 3-D view, the legend, the picture at true
    // aspect with the material at its cell, and the hover label naming it.
    void planeShowsAndNamesTheCells()
    {
        QFETCH(int, axis);
        QFETCH(int, index);
        QFETCH(QStringList, legend);
        QFETCH(QPointF, cell);
        QFETCH(int, material);
        openDock(Axis(axis), index);
        const auto section = dock()->section();
        // The spin box follows in µm, inside the layer shown.
        QVERIFY2(spin()->value() >= index && spin()->value() < index + 1, qPrintable(QString::number(spin()->value())));
        QVERIFY(plane().shown);
        QCOMPARE(int(plane().normal), axis);
        QCOMPARE(plane().at, index + 0.5);
        QCOMPARE(view()->legendNames(), legend);

        const QImage image = view()->grab().toImage();
        const SectionPicture::Layout layout = view()->layout();
        QVERIFY(std::abs(layout.plot.width() / layout.plot.height()
                         - (section->width * section->uCell) / (section->height * section->vCell))
                < 1e-9);
        const QPoint at = pixelOf(cell);
        QVERIFY(layout.frame.contains(at));
        QCOMPARE(QColor(image.pixel(at)).name(), colourOf(std::uint32_t(material)));

        // "x 5.52 µm, z 2.48 µm: Si": the point under the cursor, within a pixel.
        auto *label = GuiTestSupport::child<QLabel>(dock(), "lblSectionHover");
        sendMouse(view(), QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
        const QString axes = QStringLiteral("xyz").remove(axis, 1);
        const QRegularExpression format(QStringLiteral("^%1 (-?[0-9]+\\.[0-9]+) \u00b5m, %2 (-?[0-9]+\\.[0-9]+) \u00b5m: (.+)$")
                                            .arg(axes.at(0), axes.at(1)));
        const QRegularExpressionMatch match = format.match(label->text());
        QVERIFY2(match.hasMatch(), qPrintable(label->text()));
        const double pixel = 1.0 / layout.pixelsPerMicrometre;
        QVERIFY(std::abs(match.captured(1).toDouble() - cell.x()) <= pixel);
        QVERIFY(std::abs(match.captured(2).toDouble() - cell.y()) <= pixel);
        QCOMPARE(match.captured(3), material ? nameOf(std::uint32_t(material)) : QStringLiteral("empty"));
        sendMouse(view(), QEvent::MouseMove, QPoint(2, 2), Qt::NoButton, Qt::NoButton);
        QVERIFY(label->text().isEmpty());
    }

    void zoomPanAndFit_data()
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
    void zoomPanAndFit()
    {
        QFETCH(int, notches);
        QFETCH(QPointF, under);
        QFETCH(int, button);
        QFETCH(QPoint, drag);
        openDock(Axis::Y, 6);
        const auto section = dock()->section();
        const std::pair<double, double> whole = view()->visibleRange();
        QCOMPARE(whole.first, section->uOrigin);
        QCOMPARE(whole.second, section->uEnd());

        // The wheel zooms about the cursor: the point under it stays there.
        const QPointF pixel = view()->layout().toPixels(*section, under.x(), under.y());
        QWheelEvent wheel(pixel, QPointF(view()->mapToGlobal(pixel.toPoint())), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view(), &wheel);
        const double expected = std::clamp(std::pow(SectionView::wheelFactor, notches), SectionView::minimumZoom,
                                           SectionView::maximumZoom);
        QVERIFY(std::abs(view()->zoom() / expected - 1.0) < 1e-9);
        const QPointF still = view()->layout().toSection(*section, pixel);
        QVERIFY2(near(still, under), qPrintable(QStringLiteral("%1, %2").arg(still.x()).arg(still.y())));
        if (notches > 0)
            QVERIFY(view()->visibleRange().second - view()->visibleRange().first < whole.second - whole.first);

        // A drag with the middle or right button pans: the point under the cursor follows it.
        const QPoint start = pixel.toPoint();
        const QPointF grabbed = view()->layout().toSection(*section, start);
        const Qt::MouseButton b = Qt::MouseButton(button);
        sendMouse(view(), QEvent::MouseButtonPress, start, b, b);
        sendMouse(view(), QEvent::MouseMove, start + drag / 2, Qt::NoButton, b);
        sendMouse(view(), QEvent::MouseMove, start + drag, Qt::NoButton, b);
        sendMouse(view(), QEvent::MouseButtonRelease, start + drag, b, Qt::NoButton);
        const QPointF moved = view()->layout().toSection(*section, start + drag);
        QVERIFY2(near(moved, grabbed), qPrintable(QStringLiteral("%1, %2 against %3, %4")
                                                      .arg(moved.x()).arg(moved.y()).arg(grabbed.x()).arg(grabbed.y())));
        // A pan is no click on the section: no column was chosen.
        QCOMPARE(dock()->metricsTable()->item(0, 0)->text(), QStringLiteral("Layer stack"));

        // A double click fits the whole section again.
        QTest::mouseDClick(view(), Qt::LeftButton, Qt::NoModifier, view()->rect().center());
        QCOMPARE(view()->zoom(), 1.0);
        QCOMPARE(view()->centre(), QPointF(0.5 * nx, 0.5 * nz));
        QCOMPARE(view()->visibleRange(), whole);
    }

    void rulerByClicks_data()
    {
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QString>("line");
        // Clicks a little off the cell centres snap to them (the ruler's
        // arithmetic for any line: tst_sectionmeasure).
        QTest::newRow("3-4-5") << QPointF(2.6, 3.4) << QPointF(5.45, 7.55)
                               << "distance 5 µm, dx 3 µm, dz 4 µm, angle 53.1301° (from x 2.5, z 3.5 to x 5.5, z 7.5 µm)";
    }
    void rulerByClicks()
    {
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(QString, line);
        openDock();
        auto *ruler = GuiTestSupport::child<QToolButton>(dock(), "btnSectionRuler");
        QTest::mouseClick(ruler, Qt::LeftButton);
        QVERIFY(ruler->isChecked());
        const int linesBefore = consoleLines().size();

        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(from));
        QVERIFY(!dock()->rulerReading());
        QCOMPARE(consoleLines().size(), linesBefore);
        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(to));
        QVERIFY(dock()->rulerReading());
        QTRY_COMPARE(consoleLines().size(), linesBefore + 1);
        QCOMPARE(consoleLines().last(), QStringLiteral("Ruler on section y = 3.5 \u00b5m: ") + line);
        // Drawn on the section with its label.
        const auto drawn = view()->options().ruler;
        QVERIFY(drawn);
        QCOMPARE(drawn->label, Model::Metrology::RulerMeasure::label(*dock()->rulerReading()));
        QCOMPARE(drawn->to, dock()->rulerReading()->to);

        // A third click starts a new measurement; leaving the tool clears it.
        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf({10.5, 2.5}));
        QVERIFY(!dock()->rulerReading());
        QCOMPARE(consoleLines().size(), linesBefore + 1);
        QTest::mouseClick(ruler, Qt::LeftButton);
        QVERIFY(!view()->options().ruler);
    }

    void stackOfClickedColumn_data()
    {
        QTest::addColumn<QPointF>("click");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QVector<double>>("layers"); // top down: material, bottom, top (µm)
        QTest::newRow("beside the trench") << QPointF(5.3, 1.2) << "Layers at x = 5.5 µm"
                                           << QVector<double>{11, 10, 12, 1, 0, 10};
        QTest::newRow("over the undercut") << QPointF(15.5, 0.5) << "Layers at x = 15.5 µm"
                                           << QVector<double>{11, 10, 12, 0, 8, 10, 1, 0, 8};
        QTest::newRow("the trench's floor") << QPointF(20.7, 2.5) << "Layers at x = 20.5 µm" << QVector<double>{1, 0, 4};
    }
    void stackOfClickedColumn()
    {
        QFETCH(QPointF, click);
        QFETCH(QString, title);
        QFETCH(QVector<double>, layers);
        openDock();
        SectionMetricsTable *table = dock()->metricsTable();
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Click the section to list the layers of a column."));

        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, pixelOf(click));
        QCOMPARE(table->item(0, 0)->text(), title);
        const int count = layers.size() / 3;
        for (int i = 0; i < count; ++i) {
            const std::uint32_t id = std::uint32_t(layers[3 * i]);
            const double bottom = layers[3 * i + 1], top = layers[3 * i + 2];
            const auto value = [&](int column) { return table->item(1 + i, column)->data(SectionMetricsTable::ValueRole); };
            QCOMPARE(table->item(1 + i, 0)->text(), id == 0 ? QStringLiteral("void") : nameOf(id));
            QCOMPARE(value(1).toDouble(), bottom);
            QCOMPARE(value(2).toDouble(), top);
            QCOMPARE(value(3).toDouble(), top - bottom);
            QCOMPARE(table->item(1 + i, 3)->text(), Util::floatText(float(top - bottom)) + um);
        }
        // The next row heads the trench.
        QVERIFY(table->item(1 + count, 0)->text().startsWith(QStringLiteral("Trench in x")));
        // The stack follows the plane.
        dragTo(Axis::Y, 10);
        QCOMPARE(table->item(0, 0)->text(), title);
        QCOMPARE(table->item(1, 0)->text(), nameOf(click.x() < 6.0 ? gold : resist));
    }

    void trenchTableMatchesMetrics_data()
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
    void trenchTableMatchesMetrics()
    {
        QFETCH(int, index);
        QFETCH(int, mask);
        QFETCH(double, zoom);
        QFETCH(bool, trench);
        openDock(Axis::Y, index);
        auto *maskChoice = GuiTestSupport::child<QComboBox>(dock(), "cmbSectionMask");
        maskChoice->setCurrentIndex(std::max(0, maskChoice->findData(uint(mask))));
        view()->setZoom(zoom, QPointF(20.0, 8.0));
        const auto section = dock()->section();

        // The range is the visible one: the whole section when fitted.
        const Model::Metrology::TrenchRequest request = dock()->trenchRequest();
        QCOMPARE(*request.from, view()->visibleRange().first);
        QCOMPARE(*request.to, view()->visibleRange().second);
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
                continue;
            }
            const double number = json.value(QLatin1String(key)).toDouble();
            QCOMPARE(value->data(SectionMetricsTable::ValueRole).toDouble(), number);
            // Angles to a hundredth of a degree, lengths in full.
            const bool angle = QByteArray(key).startsWith("angle");
            QVERIFY2(value->text().endsWith(angle ? QStringLiteral("\u00b0") : um), qPrintable(value->text()));
            const double shown = value->text().section(QRegularExpression(QStringLiteral("[ \u00b0]")), 0, 0).toDouble();
            QVERIFY2(std::abs(shown - number) <= (angle ? 0.005 : 1e-5 * std::abs(number)), qPrintable(value->text()));
        }
        // Fitted, the window measures what a caller asking for the whole section gets.
        if (zoom == 1.0) {
            Model::Metrology::TrenchRequest whole;
            whole.mask = request.mask;
            QCOMPARE(TrenchMetrics::toJson(*TrenchMetrics::measure(*section, whole, nullptr)), json);
        }
    }

    void saveAndReadBack_data()
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
    void saveAndReadBack()
    {
        QFETCH(QString, action);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        QFETCH(QString, written);
        QVERIFY(folder.isValid());
        openDock();
        const QString path = folder.filePath(written);
        QFile::remove(path);
        bool asked = false;
        GuiTestSupport::whenModal<QFileDialog>(caption, [&](QFileDialog *chooser) {
            asked = true;
            GuiTestSupport::typeFileName(chooser, folder.filePath(name));
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
        QCOMPARE(image.size(), size);
        // True aspect: the cells lie where a fitted layout of that size puts them.
        const SectionPicture::Layout layout = SectionPicture::fit(*section, QSizeF(size), SectionPicture::Options());
        QCOMPARE(layout.plot.width() / layout.plot.height(), double(nx) / nz);
        const std::pair<QPointF, std::uint32_t> cells[] = {
            {{5.5, 2.5}, silicon}, {{30.5, 11.5}, resist}, {{20.5, 6.5}, 0}, {{37.5, 16.5}, 0}};
        for (const auto &[cell, material] : cells)
            QCOMPARE(QColor(image.pixel(layout.toPixels(*section, cell.x(), cell.y()).toPoint())).name(), colourOf(material));
    }

    void saveFailureIsShown_data()
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
    void saveFailureIsShown()
    {
        QFETCH(int, format);
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QFETCH(QString, reason);
        openDock(Axis::Y, 6);
        const QString target = folder.filePath(path);
        QString text;
        GuiTestSupport::answerBox(&text, QMessageBox::Ok, caption);
        QVERIFY(!dock()->save(CrossSectionDock::Format(format), target));
        QVERIFY2(text.contains(QDir::toNativeSeparators(target)) && text.contains(reason), qPrintable(text));
        QVERIFY(!QFileInfo::exists(target));
    }

    // A process run through the window, its undo and its redo each show the
    // new cells, legend and trench at the same plane.
    void followsProcessUndoAndRedo()
    {
        openDock();
        const QString si = nameOf(silicon), ox = nameOf(oxide), pr = nameOf(resist);
        const auto shows = [this](const QStringList &legend, bool trench) {
            QTRY_COMPARE(view()->legendNames(), legend);
            QCOMPARE(dock()->section()->ids, Model::Metrology::SectionCut::take(*volume, Axis::Y, 3.5, nullptr)->ids);
            QCOMPARE(bool(dock()->trench()), trench);
            QCOMPARE(int(dock()->section()->index), 3);
        };
        shows({si, pr}, true);
        // The process fills the trench with oxide.
        TestSupport::playDialogs<TestSupport::FillOperation>(*workspace(), [](TestSupport::FillOperation &op) {
            op.setMaterial(oxide);
            op.end();
        });
        workspace()->getSelection().select(volume);
        window->getPresenter()->operationActivated(QStringLiteral("50"));
        shows({si, ox, pr}, false);
        action("actionUndo")->trigger();
        shows({si, pr}, true);
        action("actionRedo")->trigger();
        shows({si, ox, pr}, false);
    }

    void followsSelectionAndMoves()
    {
        openDock();
        // Moved along y past the plane: the plane comes to the nearest face.
        volume->translate(Util::Vector3D(0.0, 50.0, 0.0));
        workspace()->notifyOperationEnded();
        QTRY_COMPARE(spin()->minimum(), 50.0);
        QCOMPARE(spin()->maximum(), 62.0);
        QCOMPARE(spin()->value(), 50.0);
        QCOMPARE(int(dock()->section()->index), 0);
        QCOMPARE(plane().at, 50.5);

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
        QCOMPARE(spin()->maximum(), 6.0);
        QCOMPARE(spin()->value(), 3.0);
        QCOMPARE(slider()->maximum(), 5);

        // Nothing left to cut: the placeholder, and no plane in the 3-D view.
        workspace()->getSelection().clearSelection();
        workspace()->getDocument().removeObject(second);
        workspace()->getDocument().removeObject(volume);
        workspace()->notifyOperationEnded();
        QTRY_VERIFY(!dock()->section());
        QVERIFY(view()->placeholderText().contains(QStringLiteral("no cell volume")));
        QVERIFY(!plane().shown);
        QVERIFY(!slider()->isEnabled());
    }
};

QTEST_MAIN(TestCrossSection)
#include "tst_crosssection.moc"

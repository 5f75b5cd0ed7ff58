#include "CrossSectionDock.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Materials/MaterialLegend.h"
#include "Model/Metrology/ColumnStack.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/SurfaceProfile.h"
#include "UI/Observers/ChangeObserver.h"
#include "SectionMetricsTable.h"
#include "SectionView.h"
#include "UI/FileNames.h"
#include "UI/MaterialChoice.h"
#include "Util/FloatText.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace Ui {
namespace CrossSection {

using Model::Automaton::TotalVolume;
using Model::Metrology::Axis;
using Model::Metrology::RulerMeasure;
using Model::Metrology::Section;
using Model::Metrology::SectionCut;
using Model::Metrology::SectionExport;
using Model::Metrology::SectionPicture;
using Model::Metrology::TrenchMetrics;

namespace {

// A volume whose cells a process holds is read again after this long.
constexpr int lockedRetryMs = 100;

QString &saveFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

QString text(double v)
{
    return Util::floatText(std::abs(v) < 1e-9 ? 0.0f : float(v));
}

std::uint32_t cellCount(const TotalVolume &volume, Axis axis)
{
    return axis == Axis::X ? volume.getSizeX() : axis == Axis::Y ? volume.getSizeY() : volume.getSizeZ();
}

double cellSize(const TotalVolume &volume, Axis axis)
{
    return axis == Axis::X ? volume.getCellSizeX() : axis == Axis::Y ? volume.getCellSizeY() : volume.getCellSizeZ();
}

} // namespace

CrossSectionDock::CrossSectionDock(Core::Workspace *ws, QWidget *parent)
    : QDockWidget(tr("Cross Section"), parent)
    , workspace(ws)
{
    setObjectName(QStringLiteral("dockCrossSection"));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    buildForm();

    // One observer for every source of change; each notification asks for
    // one refresh, queued so that it never runs inside an operation's end.
    changeObserver = std::make_shared<Observers::ChangeObserver>();
    connect(changeObserver.get(), &Observers::ChangeObserver::changed, this, &CrossSectionDock::scheduleRefresh);
    workspace->addOperationEndedObserver(changeObserver);
    workspace->getUndoRedo().addUndoObserver(changeObserver);
    workspace->getUndoRedo().addRedoObserver(changeObserver);
    workspace->getSelection().addSelectionObserver(changeObserver);
    showNothing(QString());
}

CrossSectionDock::~CrossSectionDock()
{
    // The stacks and the selection keep the observer; its connection to this
    // dock ends here.
    workspace->removeOperationEndedObserver(changeObserver);
}

void CrossSectionDock::buildForm()
{
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(6, 6, 6, 6);

    auto *planeRow = new QHBoxLayout;
    axisChoice = new QComboBox(body);
    axisChoice->setObjectName(QStringLiteral("cmbSectionAxis"));
    for (Axis a : {Axis::X, Axis::Y, Axis::Z})
        axisChoice->addItem(Model::Metrology::axisName(a), int(a));
    axisChoice->setCurrentIndex(int(Axis::Y));
    axisChoice->setToolTip(tr("The axis the section's plane is normal to: x or y cut vertically, z horizontally."));
    slider = new QSlider(Qt::Horizontal, body);
    slider->setObjectName(QStringLiteral("sldSectionPosition"));
    slider->setToolTip(tr("Drag the plane through the volume, one cell layer per step."));
    spin = new QDoubleSpinBox(body);
    spin->setObjectName(QStringLiteral("dblSectionPosition"));
    spin->setSuffix(QStringLiteral(" \u00b5m"));
    spin->setDecimals(3);
    spin->setKeyboardTracking(false);
    spin->setToolTip(tr("The plane's position along the axis, in \u00b5m."));
    planeRow->addWidget(new QLabel(tr("Plane across"), body));
    planeRow->addWidget(axisChoice);
    planeRow->addWidget(slider, 1);
    planeRow->addWidget(spin);
    layout->addLayout(planeRow);

    auto *toolRow = new QHBoxLayout;
    rulerButton = new QToolButton(body);
    rulerButton->setObjectName(QStringLiteral("btnSectionRuler"));
    rulerButton->setText(tr("Ruler"));
    rulerButton->setCheckable(true);
    rulerButton->setToolTip(tr("Click two points of the section to measure between them; the ends snap to cell "
                               "centres and faces. The reading goes to the console too."));
    maskChoice = new QComboBox(body);
    maskChoice->setObjectName(QStringLiteral("cmbSectionMask"));
    maskChoice->setToolTip(tr("The mask material whose edge the undercut is measured from."));
    saveButton = new QToolButton(body);
    saveButton->setObjectName(QStringLiteral("btnSectionSave"));
    saveButton->setText(tr("Save"));
    saveButton->setPopupMode(QToolButton::InstantPopup);
    auto *saveMenu = new QMenu(saveButton);
    savePng = saveMenu->addAction(tr("Save Section as PNG\u2026"));
    savePng->setObjectName(QStringLiteral("actionSaveSectionPng"));
    saveSvg = saveMenu->addAction(tr("Save Section as SVG\u2026"));
    saveSvg->setObjectName(QStringLiteral("actionSaveSectionSvg"));
    saveCsv = saveMenu->addAction(tr("Save Section as CSV\u2026"));
    saveCsv->setObjectName(QStringLiteral("actionSaveSectionCsv"));
    saveButton->setMenu(saveMenu);
    toolRow->addWidget(rulerButton);
    toolRow->addWidget(new QLabel(tr("Undercut under"), body));
    toolRow->addWidget(maskChoice, 1);
    toolRow->addWidget(saveButton);
    layout->addLayout(toolRow);

    auto *splitter = new QSplitter(Qt::Vertical, body);
    auto *picture = new QWidget(splitter);
    auto *pictureLayout = new QVBoxLayout(picture);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    view = new SectionView(picture);
    hoverLabel = new QLabel(picture);
    hoverLabel->setObjectName(QStringLiteral("lblSectionHover"));
    hoverLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    hoverLabel->setMinimumHeight(hoverLabel->fontMetrics().height() + 4);
    pictureLayout->addWidget(view, 1);
    pictureLayout->addWidget(hoverLabel);
    table = new SectionMetricsTable(splitter);
    splitter->addWidget(picture);
    splitter->addWidget(table);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);
    setWidget(body);

    // The main window's Enter and Return confirm operations; typed into the
    // position they confirm the position.
    spin->installEventFilter(this);

    connect(axisChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CrossSectionDock::axisChosen);
    connect(slider, &QSlider::valueChanged, this, &CrossSectionDock::sliderMoved);
    connect(spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &CrossSectionDock::spinChanged);
    connect(rulerButton, &QToolButton::toggled, this, &CrossSectionDock::rulerToggled);
    connect(maskChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CrossSectionDock::measureTrench);
    connect(savePng, &QAction::triggered, this, [this] { save(Format::Png); });
    connect(saveSvg, &QAction::triggered, this, [this] { save(Format::Svg); });
    connect(saveCsv, &QAction::triggered, this, [this] { save(Format::Csv); });
    connect(view, &SectionView::hovered, this, &CrossSectionDock::hoveredAt);
    connect(view, &SectionView::clicked, this, &CrossSectionDock::clickedAt);
    connect(view, &SectionView::visibleRangeChanged, this, &CrossSectionDock::measureTrench);
}

bool CrossSectionDock::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == spin && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

Axis CrossSectionDock::axis() const
{
    return Axis(axisChoice->currentData().toInt());
}

SectionPlane CrossSectionDock::plane() const
{
    SectionPlane p;
    const auto volume = source.lock();
    if (!current || !volume)
        return p;
    p.shown = isVisible();
    p.normal = current->normal;
    // The middle of the cell layer the section shows.
    p.at = 0.5 * (current->planeLow + current->planeHigh);
    SectionCut::span(*volume, Axis::X, &p.lower.x, &p.upper.x);
    SectionCut::span(*volume, Axis::Y, &p.lower.y, &p.upper.y);
    SectionCut::span(*volume, Axis::Z, &p.lower.z, &p.upper.z);
    return p;
}

Model::Metrology::TrenchRequest CrossSectionDock::trenchRequest() const
{
    Model::Metrology::TrenchRequest request;
    if (current) {
        const std::pair<double, double> range = view->visibleRange();
        request.from = range.first;
        request.to = range.second;
    }
    if (const std::uint32_t mask = MaterialChoice::selectedId(maskChoice))
        request.mask = mask;
    return request;
}

void CrossSectionDock::scheduleRefresh()
{
    if (refreshQueued)
        return;
    refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued = false;
        refresh();
    });
}

void CrossSectionDock::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    refresh();
}

void CrossSectionDock::hideEvent(QHideEvent *event)
{
    QDockWidget::hideEvent(event);
    announcePlane();
}

std::shared_ptr<TotalVolume> CrossSectionDock::chooseVolume() const
{
    for (const auto &object : workspace->getSelection().getSelectedObjects()) {
        if (auto volume = std::dynamic_pointer_cast<TotalVolume>(object))
            return volume;
    }
    for (const auto &object : workspace->getDocument().getAllObjects()) {
        if (auto volume = std::dynamic_pointer_cast<TotalVolume>(object))
            return volume;
    }
    return nullptr;
}

void CrossSectionDock::showNothing(const QString &why)
{
    source.reset();
    current.reset();
    measured.reset();
    clickedPoint.reset();
    rulerFrom.reset();
    reading.reset();
    positions = {};
    view->setRuler(std::nullopt);
    view->setTrench(std::nullopt);
    view->setMarkedColumn(std::nullopt);
    view->setPlaceholderText(why.isEmpty() ? tr("There is no cell volume to cut: create a substrate or open a "
                                                "document, and its cross section shows here.")
                                           : why);
    view->setSection(nullptr);
    hoverLabel->clear();
    table->setStack(QString(), {});
    table->setTrench(QString(), std::nullopt, QString());
    for (QWidget *control : {static_cast<QWidget *>(axisChoice), static_cast<QWidget *>(slider),
                             static_cast<QWidget *>(spin), static_cast<QWidget *>(rulerButton),
                             static_cast<QWidget *>(maskChoice), static_cast<QWidget *>(saveButton)})
        control->setEnabled(false);
    announcePlane();
}

void CrossSectionDock::refresh()
{
    // Nothing is read while hidden; showing the dock reads the volume.
    if (!isVisible())
        return;
    const auto volume = chooseVolume();
    if (!volume) {
        if (current || source.lock() || view->placeholderText().isEmpty())
            showNothing(QString());
        return;
    }
    // A process holds its volume's cells for its whole run: reading them now
    // would stall the interface until it ends. Its end brings a refresh.
    if (Core::Workspace::isBusy())
        return;
    if (volume->cellsLocked()) {
        QTimer::singleShot(lockedRetryMs, this, &CrossSectionDock::scheduleRefresh);
        return;
    }
    if (volume != source.lock()) {
        source = volume;
        positions = {};
        clickedPoint.reset();
        rulerFrom.reset();
        reading.reset();
        view->setRuler(std::nullopt);
    }
    for (QWidget *control : {static_cast<QWidget *>(axisChoice), static_cast<QWidget *>(slider),
                             static_cast<QWidget *>(spin), static_cast<QWidget *>(rulerButton),
                             static_cast<QWidget *>(maskChoice), static_cast<QWidget *>(saveButton)})
        control->setEnabled(true);
    // The volume may have grown or shrunk since: the position is kept where
    // it still lies inside, else brought to the nearest face.
    double low = 0.0;
    double high = 0.0;
    SectionCut::span(*volume, axis(), &low, &high);
    const double at = positions[std::size_t(axis())].value_or(0.5 * (low + high));
    setPositionControls(*volume, at);
    takeSection();
}

void CrossSectionDock::setPositionControls(TotalVolume &volume, double at)
{
    const Axis a = axis();
    double low = 0.0;
    double high = 0.0;
    SectionCut::span(volume, a, &low, &high);
    const std::uint32_t layers = cellCount(volume, a);
    const double cell = cellSize(volume, a);
    const double clamped = std::clamp(at, low, high);
    positions[std::size_t(a)] = clamped;
    const QSignalBlocker blockSlider(slider);
    const QSignalBlocker blockSpin(spin);
    slider->setRange(0, int(std::max<std::uint32_t>(layers, 1) - 1));
    slider->setValue(cell > 0.0 ? int(std::clamp(std::floor((clamped - low) / cell), 0.0, double(slider->maximum())))
                                : 0);
    spin->setRange(low, high);
    spin->setSingleStep(cell > 0.0 ? cell : 1.0);
    spin->setValue(clamped);
}

void CrossSectionDock::takeSection()
{
    const auto volume = source.lock();
    if (!volume || !isVisible())
        return;
    if (Core::Workspace::isBusy() || volume->cellsLocked()) {
        scheduleRefresh();
        return;
    }
    const Axis a = axis();
    QString error;
    std::optional<Section> taken = SectionCut::take(*volume, a, positions[std::size_t(a)].value_or(spin->value()),
                                                    &error);
    if (!taken) {
        current.reset();
        view->setPlaceholderText(error);
        view->setSection(nullptr);
        announcePlane();
        return;
    }
    current = std::make_shared<const Section>(std::move(*taken));
    updateMaskChoice();
    view->setSection(current);
    if (rulerFrom)
        showRuler();
    measureTrench();
    updateStack();
    announcePlane();
}

void CrossSectionDock::axisChosen()
{
    clickedPoint.reset();
    rulerFrom.reset();
    reading.reset();
    view->setRuler(std::nullopt);
    refresh();
}

void CrossSectionDock::sliderMoved(int index)
{
    const auto volume = source.lock();
    if (!volume)
        return;
    double low = 0.0;
    double high = 0.0;
    SectionCut::span(*volume, axis(), &low, &high);
    // A step is one cell layer: the plane goes through the layer's middle.
    const double at = std::min(high, low + (index + 0.5) * cellSize(*volume, axis()));
    positions[std::size_t(axis())] = at;
    {
        const QSignalBlocker block(spin);
        spin->setValue(at);
    }
    takeSection();
}

void CrossSectionDock::spinChanged(double at)
{
    const auto volume = source.lock();
    if (!volume)
        return;
    setPositionControls(*volume, at);
    takeSection();
}

void CrossSectionDock::updateMaskChoice()
{
    std::vector<std::uint32_t> ids = current->materials();
    std::vector<std::uint32_t> offered;
    for (int i = 1; i < maskChoice->count(); ++i)
        offered.push_back(maskChoice->itemData(i).toUInt());
    if (maskChoice->count() > 0 && offered == ids)
        return;
    const std::uint32_t chosen = MaterialChoice::selectedId(maskChoice);
    const QSignalBlocker block(maskChoice);
    QVector<Model::Materials::Material> materials;
    const auto factory = Model::Materials::MaterialFactory::getInstance();
    for (const std::uint32_t id : ids)
        materials << factory->getMaterial(id);
    MaterialChoice::fill(maskChoice, materials);
    // A material the catalogue does not hold still gets its own entry.
    for (int i = 0; i < maskChoice->count() && i < int(ids.size()); ++i) {
        maskChoice->setItemData(i, uint(ids[std::size_t(i)]));
        if (maskChoice->itemText(i).isEmpty() || materials[i].getId() != ids[std::size_t(i)])
            maskChoice->setItemText(i, Model::Materials::MaterialLegend::entry(ids[std::size_t(i)]).name);
    }
    maskChoice->insertItem(0, tr("No mask"), 0u);
    if (!MaterialChoice::select(maskChoice, chosen))
        maskChoice->setCurrentIndex(0);
}

void CrossSectionDock::measureTrench()
{
    if (!current)
        return;
    const Model::Metrology::TrenchRequest request = trenchRequest();
    QString error;
    measured = TrenchMetrics::measure(*current, request, &error);
    view->setTrench(measured);
    // The range as measured: the faces of the columns it holds.
    const QString title = measured ? tr("Trench in %1 %2 to %3 \u00b5m")
                                         .arg(Model::Metrology::axisName(current->uAxis), text(measured->from),
                                              text(measured->to))
                                   : tr("Trench in the visible range");
    table->setTrench(title, measured, error);
}

void CrossSectionDock::updateStack()
{
    if (!current)
        return;
    const QString u = Model::Metrology::axisName(current->uAxis);
    std::uint32_t cu = 0;
    std::uint32_t cv = 0;
    if (!clickedPoint || !current->cellAt(clickedPoint->x(), clickedPoint->y(), &cu, &cv)) {
        view->setMarkedColumn(std::nullopt);
        table->setStack(tr("Layer stack"), {}, tr("Click the section to list the layers of a column."));
        return;
    }
    const double uCentre = current->uEdge(cu) + 0.5 * current->uCell;
    if (current->isVertical()) {
        view->setMarkedColumn(uCentre);
        table->setStack(tr("Layers at %1 = %2 \u00b5m").arg(u, text(uCentre)),
                        Model::Metrology::SurfaceProfile::stack(*current, cu));
        return;
    }
    // A horizontal section's point stands for the column of cells above it.
    view->setMarkedColumn(std::nullopt);
    const double vCentre = current->vEdge(cv) + 0.5 * current->vCell;
    const auto volume = source.lock();
    QString error;
    std::optional<std::vector<Model::Metrology::StackLayer>> layers;
    if (volume && !Core::Workspace::isBusy() && !volume->cellsLocked())
        layers = Model::Metrology::ColumnStack::at(*volume, uCentre, vCentre, &error);
    const QString title = tr("Layers at x = %1, y = %2 \u00b5m").arg(text(uCentre), text(vCentre));
    if (layers)
        table->setStack(title, *layers);
    else
        table->setStack(title, {}, error.isEmpty() ? tr("The volume is busy; click again once the process ended.") : error);
}

void CrossSectionDock::hoveredAt(const QPointF &point, bool inside)
{
    if (!current || !inside) {
        hoverLabel->clear();
        return;
    }
    std::uint32_t cu = 0;
    std::uint32_t cv = 0;
    if (!current->cellAt(point.x(), point.y(), &cu, &cv)) {
        hoverLabel->clear();
        return;
    }
    // As many decimals as a pixel's width needs, one at least.
    const double ppm = view->layout().pixelsPerMicrometre;
    const int decimals = ppm > 0.0 ? std::clamp(int(std::ceil(std::log10(ppm) - 1e-9)), 1, 4) : 1;
    const auto coordinate = [decimals](double v) {
        const double half = 0.5 * std::pow(10.0, -decimals);
        return QString::number(std::abs(v) < half ? 0.0 : v, 'f', decimals);
    };
    const std::uint32_t id = current->id(cu, cv);
    const QString material = id == 0 ? tr("empty") : Model::Materials::MaterialLegend::entry(id).name;
    hoverLabel->setText(QStringLiteral("%1 %2 \u00b5m, %3 %4 \u00b5m: %5")
                            .arg(Model::Metrology::axisName(current->uAxis), coordinate(point.x()),
                                 Model::Metrology::axisName(current->vAxis), coordinate(point.y()), material));
}

void CrossSectionDock::clickedAt(const QPointF &point)
{
    if (!current)
        return;
    if (!rulerButton->isChecked()) {
        clickedPoint = point;
        updateStack();
        return;
    }
    const QPointF snapped = RulerMeasure::snap(*current, point);
    if (!rulerFrom || reading) {
        // The first end of a new measurement.
        rulerFrom = snapped;
        reading.reset();
    } else {
        reading = RulerMeasure::measure(*rulerFrom, snapped);
        workspace->getConsoleInput().setMessage(RulerMeasure::line(*current, *reading));
    }
    showRuler();
}

void CrossSectionDock::rulerToggled(bool on)
{
    rulerFrom.reset();
    reading.reset();
    view->setRuler(std::nullopt);
    view->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CrossSectionDock::showRuler()
{
    if (!rulerFrom) {
        view->setRuler(std::nullopt);
        return;
    }
    SectionPicture::Ruler ruler;
    ruler.from = *rulerFrom;
    ruler.to = reading ? reading->to : *rulerFrom;
    if (reading)
        ruler.label = RulerMeasure::label(*reading);
    view->setRuler(ruler);
}

void CrossSectionDock::announcePlane()
{
    const SectionPlane p = plane();
    if (p == lastPlane)
        return;
    lastPlane = p;
    emit planeChanged(p);
}

bool CrossSectionDock::save(Format format, const QString &path)
{
    struct Kind
    {
        QString caption;
        QString filter;
    };
    const Kind kind = format == Format::Png   ? Kind{tr("Save Section as PNG"), tr("PNG images (*.png)")}
                      : format == Format::Svg ? Kind{tr("Save Section as SVG"), tr("SVG drawings (*.svg)")}
                                              : Kind{tr("Save Section as CSV"), tr("CSV tables (*.csv)")};
    if (!current) {
        QMessageBox::information(this, kind.caption, tr("There is no cross section to save."));
        return false;
    }
    // The section is kept as it is now, whatever happens while the dialog is open.
    const std::shared_ptr<const Section> section = current;
    QString target = path;
    if (target.isEmpty()) {
        target = FileNames::getSaveFileName(this, kind.caption, saveFolder(), kind.filter);
        if (target.isEmpty())
            return false;
    }
    QString error;
    bool ok = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (format == Format::Csv) {
        ok = SectionExport::writeCsv(*section, target, &error);
    } else {
        SectionPicture::Options options;
        if (section == current) {
            options.ruler = view->options().ruler;
            if (measured)
                options.trench = &*measured;
        }
        ok = SectionExport::writePicture(*section, target, options, &error);
    }
    QApplication::restoreOverrideCursor();
    if (!ok) {
        QMessageBox::warning(this, kind.caption,
                             tr("The section could not be saved to \"%1\": %2")
                                 .arg(QDir::toNativeSeparators(target), error));
        return false;
    }
    saveFolder() = QFileInfo(target).absolutePath();
    workspace->getConsoleInput().setMessage(
        tr("%1 saved to %2").arg(SectionPicture::title(*section), QDir::toNativeSeparators(target)));
    return true;
}

} // namespace CrossSection
} // namespace Ui

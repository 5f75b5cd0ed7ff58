#pragma once

#include "Model/Metrology/RulerMeasure.h"
#include "Model/Metrology/Section.h"
#include "Model/Metrology/TrenchMetrics.h"
#include "SectionPlane.h"

#include <QDockWidget>
#include <QPointF>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSlider;
class QToolButton;

namespace Core {
class Workspace;
}

namespace Model {
namespace Automaton {
class TotalVolume;
}
} // namespace Model

namespace Ui {

namespace Observers {
class ChangeObserver;
}

namespace CrossSection {

class SectionMetricsTable;
class SectionView;

// The Cross Section dock: a plane across the selected cell volume (else the
// document's first), chosen by axis and position, drawn at true aspect with
// the cell under the cursor named, a ruler, the layer stack of a clicked
// column and the trench metrics of the visible range, and saved as PNG, SVG
// or CSV. It follows every process run, undo, redo and selection change.
class CrossSectionDock : public QDockWidget
{
    Q_OBJECT

public:
    enum class Format { Png, Svg, Csv };

    explicit CrossSectionDock(Core::Workspace *workspace, QWidget *parent = nullptr);
    ~CrossSectionDock() override;

    // The volume cut and its section now; nothing when there is none.
    std::shared_ptr<Model::Automaton::TotalVolume> volume() const { return source.lock(); }
    std::shared_ptr<const Model::Metrology::Section> section() const { return current; }
    SectionView *sectionView() const { return view; }
    SectionMetricsTable *metricsTable() const { return table; }
    // Where the 3-D view draws the plane; not shown while the dock is hidden.
    SectionPlane plane() const;
    // The metrics the table shows and what was asked for them.
    const std::optional<Model::Metrology::Trench> &trench() const { return measured; }
    Model::Metrology::TrenchRequest trenchRequest() const;
    std::optional<Model::Metrology::RulerReading> rulerReading() const { return reading; }

    // Writes the section; with no path a save dialog asks for one. Failures
    // are shown in a message box. True when the file was written.
    bool save(Format format, const QString &path = {});

    // Reads the volume again (soon, once: notifications come in bursts).
    void scheduleRefresh();

signals:
    void planeChanged(const Ui::CrossSection::SectionPlane &plane);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    void refresh();
    std::shared_ptr<Model::Automaton::TotalVolume> chooseVolume() const;
    void showNothing(const QString &why);
    // Sets the position controls to `at` along the current axis of `volume`.
    void setPositionControls(Model::Automaton::TotalVolume &volume, double at);
    void takeSection();
    void axisChosen();
    void sliderMoved(int index);
    void spinChanged(double at);
    void measureTrench();
    void updateStack();
    void updateMaskChoice();
    void hoveredAt(const QPointF &point, bool inside);
    void clickedAt(const QPointF &point);
    void rulerToggled(bool on);
    void showRuler();
    void announcePlane();
    Model::Metrology::Axis axis() const;

    Core::Workspace *workspace;
    std::shared_ptr<Observers::ChangeObserver> changeObserver;
    std::weak_ptr<Model::Automaton::TotalVolume> source;
    std::shared_ptr<const Model::Metrology::Section> current;
    // The position last used along each axis, for the volume cut.
    std::array<std::optional<double>, 3> positions;
    std::optional<Model::Metrology::Trench> measured;
    std::optional<QPointF> clickedPoint;
    std::optional<QPointF> rulerFrom;
    std::optional<Model::Metrology::RulerReading> reading;
    bool refreshQueued = false;
    SectionPlane lastPlane;

    QComboBox *axisChoice = nullptr;
    QSlider *slider = nullptr;
    QDoubleSpinBox *spin = nullptr;
    QToolButton *rulerButton = nullptr;
    QComboBox *maskChoice = nullptr;
    QToolButton *saveButton = nullptr;
    QAction *savePng = nullptr;
    QAction *saveSvg = nullptr;
    QAction *saveCsv = nullptr;
    SectionView *view = nullptr;
    QLabel *hoverLabel = nullptr;
    SectionMetricsTable *table = nullptr;
};

} // namespace CrossSection
} // namespace Ui

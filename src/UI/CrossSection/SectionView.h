#pragma once

#include "Model/Metrology/SectionPicture.h"
#include "Model/Metrology/TrenchMetrics.h"

#include <QPointF>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

namespace Model {
namespace Metrology {
struct Section;
}
} // namespace Model

namespace Ui {
namespace CrossSection {

// Draws one section with SectionPicture at true aspect. The wheel zooms about
// the cursor, a middle or right drag pans, a double click fits the whole
// section again. It tells where the cursor is and where the user clicks in
// the section's own µm, and outlines the cell under the cursor.
class SectionView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double minimumZoom = 0.25;
    static constexpr double maximumZoom = 1000.0;
    // One wheel notch (120 eighths of a degree) zooms by this factor.
    static constexpr double wheelFactor = 1.25;

    explicit SectionView(QWidget *parent = nullptr);
    ~SectionView() override;

    // A section of the same shape as the one shown keeps the zoom and the
    // centre (dragging the plane through the volume); any other is fitted.
    void setSection(std::shared_ptr<const Model::Metrology::Section> section);
    std::shared_ptr<const Model::Metrology::Section> section() const { return shown; }
    // Shown instead of a section when there is none.
    void setPlaceholderText(const QString &text);
    QString placeholderText() const { return placeholder; }

    void setRuler(const std::optional<Model::Metrology::SectionPicture::Ruler> &ruler);
    void setTrench(const std::optional<Model::Metrology::Trench> &trench);
    // A dashed line marks the column whose layers the table lists.
    void setMarkedColumn(const std::optional<double> &u);

    double zoom() const { return zoomFactor; }
    QPointF centre() const { return centreAt; }
    // Sets the zoom (clamped to its limits) with `centre` in the middle.
    void setZoom(double zoom, const QPointF &centre);
    // The whole section, as large as fits.
    void fit();

    // How the section is drawn now; empty without a section.
    Model::Metrology::SectionPicture::Layout layout() const;
    Model::Metrology::SectionPicture::Options options() const;
    // The span of u the frame shows, within the section; (0, 0) without one.
    std::pair<double, double> visibleRange() const;
    // The names the legend lists, top down.
    QStringList legendNames() const;

    QSize sizeHint() const override { return QSize(420, 300); }
    QSize minimumSizeHint() const override { return QSize(200, 150); }

signals:
    // The in-plane point under the cursor, in µm; `inside` false when the
    // cursor left the section or the widget.
    void hovered(const QPointF &point, bool inside);
    // A left click (press and release without a drag) on the section.
    void clicked(const QPointF &point);
    // The span of u the frame shows changed.
    void visibleRangeChanged(double from, double to);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void hoverAt(const QPointF &pixel);
    void announceRange();
    void paintMarks(QPainter &painter, const Model::Metrology::SectionPicture::Layout &layout) const;

    std::shared_ptr<const Model::Metrology::Section> shown;
    QString placeholder;
    std::optional<Model::Metrology::SectionPicture::Ruler> ruler;
    std::optional<Model::Metrology::Trench> trench;
    std::optional<double> markedColumn;
    double zoomFactor = 1.0;
    QPointF centreAt;
    // The cell under the cursor, as in-plane µm of its centre.
    std::optional<QPointF> hoverCell;
    QPoint pressPixel;
    QPointF lastDragPixel;
    bool leftPressed = false;
    bool panning = false;
    std::pair<double, double> lastRange{0.0, 0.0};
};

} // namespace CrossSection
} // namespace Ui

#include "SectionView.h"

#include "Model/Materials/MaterialLegend.h"
#include "Model/Metrology/Section.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace Ui {
namespace CrossSection {

using Model::Metrology::Section;
using Model::Metrology::SectionPicture;

namespace {

// A press that moves less than this is a click, not a drag.
constexpr int clickSlop = 4;

QPointF middleOf(const Section &s)
{
    return QPointF(0.5 * (s.uOrigin + s.uEnd()), 0.5 * (s.vOrigin + s.vEnd()));
}

bool sameShape(const Section &a, const Section &b)
{
    return a.normal == b.normal && a.width == b.width && a.height == b.height && a.uOrigin == b.uOrigin
           && a.vOrigin == b.vOrigin && a.uCell == b.uCell && a.vCell == b.vCell;
}

} // namespace

SectionView::SectionView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("sectionView"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setToolTip(tr("Wheel: zoom about the cursor. Middle or right drag: pan. Double click: fit the section."));
}

SectionView::~SectionView() = default;

void SectionView::setSection(std::shared_ptr<const Section> section)
{
    const bool keep = shown && section && sameShape(*shown, *section);
    shown = std::move(section);
    hoverCell.reset();
    if (!keep) {
        zoomFactor = 1.0;
        centreAt = shown ? middleOf(*shown) : QPointF();
    }
    update();
    announceRange();
}

void SectionView::setPlaceholderText(const QString &text)
{
    placeholder = text;
    if (!shown)
        update();
}

void SectionView::setRuler(const std::optional<SectionPicture::Ruler> &r)
{
    ruler = r;
    update();
}

void SectionView::setTrench(const std::optional<Model::Metrology::Trench> &t)
{
    trench = t;
    update();
}

void SectionView::setMarkedColumn(const std::optional<double> &u)
{
    markedColumn = u;
    update();
}

void SectionView::setZoom(double zoom, const QPointF &centre)
{
    zoomFactor = std::isfinite(zoom) ? std::clamp(zoom, minimumZoom, maximumZoom) : 1.0;
    centreAt = centre;
    if (shown) {
        // The section's middle never leaves the frame's reach entirely.
        centreAt.setX(std::clamp(centreAt.x(), shown->uOrigin, shown->uEnd()));
        centreAt.setY(std::clamp(centreAt.y(), shown->vOrigin, shown->vEnd()));
    }
    update();
    announceRange();
}

void SectionView::fit()
{
    if (shown)
        setZoom(1.0, middleOf(*shown));
}

SectionPicture::Options SectionView::options() const
{
    SectionPicture::Options o;
    o.ruler = ruler;
    o.trench = trench ? &*trench : nullptr;
    return o;
}

SectionPicture::Layout SectionView::layout() const
{
    if (!shown)
        return {};
    return SectionPicture::zoomed(*shown, QSizeF(size()), options(), zoomFactor, centreAt);
}

std::pair<double, double> SectionView::visibleRange() const
{
    if (!shown)
        return {0.0, 0.0};
    const SectionPicture::Layout l = layout();
    const double from = l.toSection(*shown, l.frame.topLeft()).x();
    const double to = l.toSection(*shown, l.frame.topRight()).x();
    return {std::clamp(from, shown->uOrigin, shown->uEnd()), std::clamp(to, shown->uOrigin, shown->uEnd())};
}

QStringList SectionView::legendNames() const
{
    QStringList names;
    if (shown) {
        for (const auto &entry : Model::Materials::MaterialLegend::entries(shown->materials()))
            names << entry.name;
    }
    return names;
}

void SectionView::announceRange()
{
    const std::pair<double, double> range = visibleRange();
    if (range == lastRange)
        return;
    lastRange = range;
    emit visibleRangeChanged(range.first, range.second);
}

void SectionView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!shown) {
        painter.fillRect(rect(), palette().window());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, placeholder);
        return;
    }
    const SectionPicture::Layout l = layout();
    SectionPicture::paint(painter, *shown, l, options());
    paintMarks(painter, l);
}

void SectionView::paintMarks(QPainter &painter, const SectionPicture::Layout &l) const
{
    const Section &s = *shown;
    painter.save();
    painter.setClipRect(l.frame);
    if (markedColumn) {
        const double x = l.toPixels(s, *markedColumn, s.vOrigin).x();
        painter.setPen(QPen(QColor(30, 30, 30, 200), 1.0, Qt::DashLine));
        painter.drawLine(QPointF(x, l.plot.top()), QPointF(x, l.plot.bottom()));
    }
    if (hoverCell) {
        const QPointF a = l.toPixels(s, hoverCell->x() - 0.5 * s.uCell, hoverCell->y() + 0.5 * s.vCell);
        const QPointF b = l.toPixels(s, hoverCell->x() + 0.5 * s.uCell, hoverCell->y() - 0.5 * s.vCell);
        QRectF cell(a, b);
        // A cell smaller than a few pixels is ringed so that it stays visible.
        if (cell.width() < 6.0)
            cell.adjust(-3.0, -3.0, 3.0, 3.0);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::white, 3.0));
        painter.drawRect(cell);
        painter.setPen(QPen(Qt::black, 1.0));
        painter.drawRect(cell);
    }
    painter.restore();
}

void SectionView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    announceRange();
}

void SectionView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (!shown || delta == 0) {
        event->ignore();
        return;
    }
    // The point under the cursor stays there: its pixel offset from the
    // frame's centre scales with the zoom, so the centre moves towards it.
    const QPointF pixel = event->position();
    const SectionPicture::Layout l = layout();
    const QPointF under = l.toSection(*shown, pixel);
    const double next = std::clamp(zoomFactor * std::pow(wheelFactor, delta / 120.0), minimumZoom, maximumZoom);
    const double ratio = zoomFactor / next;
    const QPointF centre = under + (centreAt - under) * ratio;
    zoomFactor = next;
    centreAt = centre;
    update();
    announceRange();
    hoverAt(pixel);
    event->accept();
}

void SectionView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton || event->button() == Qt::RightButton) {
        panning = true;
        lastDragPixel = event->localPos();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        leftPressed = true;
        pressPixel = event->pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void SectionView::mouseMoveEvent(QMouseEvent *event)
{
    if (panning && shown) {
        const QPointF delta = event->localPos() - lastDragPixel;
        lastDragPixel = event->localPos();
        const double ppm = layout().pixelsPerMicrometre;
        if (ppm > 0.0) {
            // The widget's y runs down, the section's v up.
            centreAt -= QPointF(delta.x() / ppm, -delta.y() / ppm);
            centreAt.setX(std::clamp(centreAt.x(), shown->uOrigin, shown->uEnd()));
            centreAt.setY(std::clamp(centreAt.y(), shown->vOrigin, shown->vEnd()));
            update();
            announceRange();
        }
    }
    hoverAt(event->localPos());
}

void SectionView::mouseReleaseEvent(QMouseEvent *event)
{
    if ((event->button() == Qt::MiddleButton || event->button() == Qt::RightButton) && panning) {
        panning = false;
        unsetCursor();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && leftPressed) {
        leftPressed = false;
        if (shown && (event->pos() - pressPixel).manhattanLength() <= clickSlop) {
            const SectionPicture::Layout l = layout();
            const QPointF point = l.toSection(*shown, event->localPos());
            std::uint32_t cu = 0;
            std::uint32_t cv = 0;
            if (l.frame.contains(event->localPos()) && shown->cellAt(point.x(), point.y(), &cu, &cv))
                emit clicked(point);
        }
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void SectionView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        fit();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void SectionView::leaveEvent(QEvent *event)
{
    if (hoverCell) {
        hoverCell.reset();
        update();
    }
    emit hovered(QPointF(), false);
    QWidget::leaveEvent(event);
}

void SectionView::hoverAt(const QPointF &pixel)
{
    std::optional<QPointF> cell;
    QPointF point;
    if (shown) {
        const SectionPicture::Layout l = layout();
        point = l.toSection(*shown, pixel);
        std::uint32_t cu = 0;
        std::uint32_t cv = 0;
        if (l.frame.contains(pixel) && shown->cellAt(point.x(), point.y(), &cu, &cv))
            cell = QPointF(shown->uEdge(cu) + 0.5 * shown->uCell, shown->vEdge(cv) + 0.5 * shown->vCell);
    }
    if (cell != hoverCell) {
        hoverCell = cell;
        update();
    }
    emit hovered(point, cell.has_value());
}

} // namespace CrossSection
} // namespace Ui

#include "ViewOverlay.h"

#include "Model/Materials/MaterialLegend.h"
#include "Util/ScaleStep.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace Ui {

namespace {

constexpr double margin = 14.0;
constexpr double axisRadius = 32.0;
// Room around the triad's circle for the arrow labels.
constexpr double axisLabelRoom = 14.0;
// Below this length in the view plane an axis counts as pointing at (or
// away from) the viewer and is drawn as a dot.
constexpr double endOnLength = 0.2;
constexpr double swatchSize = 12.0;
constexpr double legendPadding = 8.0;
constexpr double legendNameWidth = 220.0;

const QString micrometreUnit = QStringLiteral(" \u00b5m");

QColor axisColor(int axis)
{
    static const QColor colors[] = {QColor(215, 48, 39), QColor(26, 152, 80), QColor(49, 92, 220)};
    return colors[axis];
}

} // namespace

ViewOverlay::ViewOverlay()
{
    shown.fill(true);
}

ViewOverlay::Bar ViewOverlay::chooseScaleBar(double pixelsPerMicrometre, double viewWidth, double maxFraction)
{
    if (!(pixelsPerMicrometre > 0.0) || !std::isfinite(pixelsPerMicrometre) || !(viewWidth > 0.0)
        || !std::isfinite(viewWidth) || !(maxFraction > 0.0))
        return {};
    const double length = Util::ScaleStep::below(maxFraction * viewWidth / pixelsPerMicrometre);
    if (!(length > 0.0))
        return {};
    return {length, length * pixelsPerMicrometre};
}

QString ViewOverlay::lengthText(double micrometres)
{
    return Util::ScaleStep::lengthText(micrometres);
}

QString ViewOverlay::positionText(const Util::Vector3D &point, double micrometresPerPixel)
{
    int decimals = 1;
    if (micrometresPerPixel > 0.0 && std::isfinite(micrometresPerPixel))
        decimals = std::clamp(int(std::ceil(-std::log10(micrometresPerPixel) - 1e-9)), 1, 4);
    const double half = 0.5 * std::pow(10.0, -decimals);
    // Values that round to zero show as 0, never as "-0.0".
    const auto coordinate = [&](double v) {
        return QString::number(std::abs(v) < half ? 0.0 : v, 'f', decimals) + micrometreUnit;
    };
    return QStringLiteral("x %1, y %2, z %3").arg(coordinate(point.x), coordinate(point.y), coordinate(point.z));
}

std::array<ViewOverlay::Arrow, 3> ViewOverlay::axisArrows(const double rotation[16])
{
    // World axis i lands on column i of the rotation in eye space, where x
    // runs right, y up and z towards the viewer; the widget's y runs down.
    std::array<Arrow, 3> arrows;
    for (int axis = 0; axis < 3; ++axis) {
        arrows[std::size_t(axis)] = {axis, rotation[4 * axis], -rotation[4 * axis + 1], rotation[4 * axis + 2]};
    }
    std::stable_sort(arrows.begin(), arrows.end(), [](const Arrow &a, const Arrow &b) { return a.depth < b.depth; });
    return arrows;
}

QVector<ViewOverlay::LegendEntry> ViewOverlay::legendEntries(const std::vector<std::uint32_t> &ids)
{
    QVector<LegendEntry> entries;
    entries.reserve(int(ids.size()));
    for (const Model::Materials::MaterialLegend::Entry &e : Model::Materials::MaterialLegend::entries(ids))
        entries << LegendEntry{e.id, e.name, e.color};
    return entries;
}

bool ViewOverlay::covers(const QPointF &position) const
{
    return layout.axes.contains(position) || layout.scaleBar.contains(position) || layout.legend.contains(position);
}

void ViewOverlay::paint(QPainter &painter, const Frame &frame)
{
    layout = Layout();
    if (frame.size.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Lines and text straight on the background take its opposite.
    const QColor ink = qGray(frame.background.rgb()) > 128 ? QColor(Qt::black) : QColor(Qt::white);
    // Each part starts from the view's own pen and font.
    if (isShown(Axes)) {
        painter.save();
        paintAxes(painter, frame, ink);
        painter.restore();
    }
    if (isShown(ScaleBar)) {
        painter.save();
        paintScaleBar(painter, frame, ink);
        painter.restore();
    }
    if (isShown(Legend))
        paintLegend(painter, frame);
    painter.restore();
}

void ViewOverlay::paintAxes(QPainter &painter, const Frame &frame, const QColor &ink)
{
    const double reach = axisRadius + axisLabelRoom;
    const QPointF centre(margin + reach, frame.size.height() - margin - reach);
    layout.axes = QRectF(centre.x() - reach, centre.y() - reach, 2 * reach, 2 * reach);

    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    for (const Arrow &arrow : axisArrows(frame.rotation.data())) {
        const QColor color = axisColor(arrow.axis);
        const double length = std::hypot(arrow.dx, arrow.dy);
        const QPointF tip = centre + QPointF(arrow.dx, arrow.dy) * axisRadius;
        QPointF labelAt;
        if (length >= endOnLength) {
            const QPointF unit(arrow.dx / length, arrow.dy / length);
            const QPointF normal(-unit.y(), unit.x());
            const QPointF base = tip - unit * 9.0;
            painter.setPen(QPen(color, 2.5, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(centre, base);
            QPainterPath head;
            head.moveTo(tip);
            head.lineTo(base + normal * 4.5);
            head.lineTo(base - normal * 4.5);
            head.closeSubpath();
            painter.fillPath(head, color);
            labelAt = tip + unit * 9.0;
        } else {
            // End on: a filled dot points at the viewer, a ring away from it.
            painter.setPen(QPen(color, 2.0));
            painter.setBrush(arrow.depth > 0.0 ? QBrush(color) : QBrush(Qt::NoBrush));
            painter.drawEllipse(tip, 4.0, 4.0);
            painter.setBrush(Qt::NoBrush);
            labelAt = tip + QPointF(10.0, -10.0);
        }
        painter.setPen(color);
        painter.drawText(QRectF(labelAt - QPointF(8.0, 8.0), QSizeF(16.0, 16.0)), Qt::AlignCenter,
                         QString(QChar(char16_t(u'x' + arrow.axis))));
    }
    // The origin the three arrows leave from.
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(centre, 2.0, 2.0);
    painter.setBrush(Qt::NoBrush);
}

void ViewOverlay::paintScaleBar(QPainter &painter, const Frame &frame, const QColor &ink)
{
    const Bar bar = chooseScaleBar(frame.pixelsPerMicrometre, frame.size.width());
    if (!bar.isValid())
        return;
    const QString label = lengthText(bar.micrometres);
    const QFontMetricsF metrics(painter.font());
    const double right = frame.size.width() - margin;
    const double left = right - bar.pixels;
    const double y = frame.size.height() - margin - 4.0;
    const double tick = 5.0;

    painter.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(left, y), QPointF(right, y));
    painter.drawLine(QPointF(left, y - tick), QPointF(left, y + tick));
    painter.drawLine(QPointF(right, y - tick), QPointF(right, y + tick));

    // The label is centred over the bar, kept inside the view when it is the wider.
    const double textWidth = metrics.horizontalAdvance(label) + 4.0;
    const double textHeight = metrics.height();
    double textLeft = (left + right - textWidth) / 2.0;
    textLeft = std::min(textLeft, frame.size.width() - 2.0 - textWidth);
    const QRectF textRect(textLeft, y - tick - 2.0 - textHeight, textWidth, textHeight);
    painter.drawText(textRect, Qt::AlignCenter, label);

    layout.scaleBar = QRectF(QPointF(std::min(left, textLeft), textRect.top()),
                             QPointF(std::max(right, textRect.right()), y + tick + 1.0));
    layout.bar = bar;
    layout.barLabel = label;
}

void ViewOverlay::paintLegend(QPainter &painter, const Frame &frame)
{
    if (frame.legend.isEmpty())
        return;
    // Past the row limit the last row sums up the materials left out.
    const int total = frame.legend.size();
    const int listed = total > maxLegendRows ? maxLegendRows - 1 : total;
    QStringList texts;
    for (int i = 0; i < listed; ++i)
        texts << frame.legend[i].name;
    const QString rest = total > listed ? QStringLiteral("and %1 more").arg(total - listed) : QString();

    QFont titleFont = painter.font();
    titleFont.setBold(true);
    const QFontMetricsF metrics(painter.font());
    const QFontMetricsF titleMetrics(titleFont);
    const QString title = QStringLiteral("Materials");
    const double rowHeight = std::max(metrics.height(), swatchSize) + 4.0;
    double textWidth = titleMetrics.horizontalAdvance(title) - swatchSize - legendPadding;
    for (QString &text : texts) {
        text = metrics.elidedText(text, Qt::ElideRight, legendNameWidth);
        textWidth = std::max(textWidth, metrics.horizontalAdvance(text));
    }
    if (!rest.isEmpty())
        textWidth = std::max(textWidth, metrics.horizontalAdvance(rest));
    const double width = 3 * legendPadding + swatchSize + std::ceil(textWidth);
    const int rows = texts.size() + (rest.isEmpty() ? 0 : 1);
    const double height = 2 * legendPadding + titleMetrics.height() + 2.0 + rows * rowHeight;
    const QRectF panel(frame.size.width() - margin - width, margin, width, height);

    // A light panel of its own keeps the names readable over any scene.
    painter.setPen(QPen(QColor(0, 0, 0, 90), 1.0));
    painter.setBrush(QColor(255, 255, 255, 215));
    painter.drawRoundedRect(panel, 4.0, 4.0);
    painter.setBrush(Qt::NoBrush);

    double y = panel.top() + legendPadding;
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(panel.left() + legendPadding, y, width - 2 * legendPadding, titleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
    y += titleMetrics.height() + 2.0;

    QFont rowFont = titleFont;
    rowFont.setBold(false);
    painter.setFont(rowFont);
    const double textLeft = panel.left() + 2 * legendPadding + swatchSize;
    for (int i = 0; i < texts.size(); ++i) {
        const QRectF swatch(panel.left() + legendPadding, y + (rowHeight - swatchSize) / 2.0, swatchSize, swatchSize);
        // Transparent materials show faint, as they are drawn, but never vanish.
        QColor fill = frame.legend[i].color;
        fill.setAlphaF(std::max(fill.alphaF(), 0.25));
        painter.fillRect(swatch, fill);
        painter.setPen(QPen(QColor(60, 60, 60), 1.0));
        painter.drawRect(swatch);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(textLeft, y, panel.right() - legendPadding - textLeft, rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, texts[i]);
        y += rowHeight;
    }
    if (!rest.isEmpty()) {
        painter.setPen(QColor(70, 70, 70));
        painter.drawText(QRectF(textLeft, y, panel.right() - legendPadding - textLeft, rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, rest);
    }
    layout.legend = panel;
    layout.legendRows = texts.size();
}

} // namespace Ui

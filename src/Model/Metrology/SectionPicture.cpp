#include "SectionPicture.h"

#include "Section.h"
#include "TrenchMetrics.h"

#include "Model/Materials/MaterialLegend.h"
#include "Util/FloatText.h"
#include "Util/ScaleStep.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace Model {
namespace Metrology {

namespace {

constexpr double tickLength = 5.0;
constexpr double margin = 10.0;
constexpr double swatchSize = 12.0;
// Axis ticks are at least this far apart.
constexpr double tickSpacing = 70.0;

double uSpan(const Section &s)
{
    return s.width * s.uCell;
}

double vSpan(const Section &s)
{
    return s.height * s.vCell;
}

QFont pictureFont()
{
    QFont font;
    font.setPixelSize(12);
    return font;
}

struct Margins
{
    double left;
    double top;
    double right;
    double bottom;
};

double legendWidth(const Section &section, const QFontMetricsF &metrics)
{
    double widest = 0.0;
    for (const auto &entry : Materials::MaterialLegend::entries(section.materials()))
        widest = std::max(widest, metrics.horizontalAdvance(entry.name));
    return swatchSize + 6.0 + widest + 2.0 * margin;
}

Margins marginsFor(const Section &section, const SectionPicture::Options &options)
{
    const QFontMetricsF metrics(pictureFont());
    Margins m{margin, margin, margin, margin};
    if (options.ticks) {
        m.left += metrics.horizontalAdvance(QStringLiteral("-0000.00")) + tickLength + metrics.height() + 4.0;
        m.bottom += 2.0 * metrics.height() + tickLength + 4.0;
    }
    if (options.title)
        m.top += metrics.height() + 4.0;
    if (options.legend)
        m.right += legendWidth(section, metrics);
    return m;
}

QRectF frameFor(const Section &section, const QSizeF &size, const SectionPicture::Options &options)
{
    const Margins m = marginsFor(section, options);
    return QRectF(m.left, m.top, std::max(1.0, size.width() - m.left - m.right),
                  std::max(1.0, size.height() - m.top - m.bottom));
}

double fittedScale(const Section &section, const QRectF &frame)
{
    if (uSpan(section) <= 0.0 || vSpan(section) <= 0.0)
        return 1.0;
    return std::min(frame.width() / uSpan(section), frame.height() / vSpan(section));
}

void paintCells(QPainter &painter, const Section &s, const SectionPicture::Layout &layout, bool vector)
{
    if (!vector) {
        const QImage image = SectionPicture::cellImage(s);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(layout.plot, image);
        return;
    }
    // Runs of one material down a column, merged with the same run of the
    // columns beside it: a layered section becomes a few rectangles.
    struct Block
    {
        std::uint32_t id;
        std::uint32_t v0;
        std::uint32_t v1;
        std::uint32_t u0;
    };
    std::unordered_map<std::uint32_t, QColor> colors;
    auto draw = [&](const Block &b, std::uint32_t u1) {
        auto found = colors.find(b.id);
        if (found == colors.end()) {
            // Opaque, as in the cell image: a section shows no depth.
            const QColor c = Materials::MaterialLegend::entry(b.id).color;
            found = colors.emplace(b.id, QColor(c.red(), c.green(), c.blue())).first;
        }
        painter.setBrush(found->second);
        painter.drawRect(QRectF(layout.toPixels(s, s.uEdge(b.u0), s.vEdge(b.v1)),
                                layout.toPixels(s, s.uEdge(u1), s.vEdge(b.v0))));
    };
    painter.setPen(Qt::NoPen);
    std::vector<Block> open;
    std::vector<Block> next;
    for (std::uint32_t u = 0; u <= s.width; ++u) {
        next.clear();
        std::size_t o = 0;
        for (std::uint32_t v = 0; u < s.width && v < s.height;) {
            const std::uint32_t id = s.id(u, v);
            std::uint32_t end = v + 1;
            while (end < s.height && s.id(u, end) == id)
                ++end;
            if (id != 0) {
                // Open blocks are ordered by height, as the runs are.
                while (o < open.size() && open[o].v0 < v)
                    draw(open[o++], u);
                if (o < open.size() && open[o].v0 == v && open[o].v1 == end && open[o].id == id)
                    next.push_back(open[o++]);
                else
                    next.push_back(Block{id, v, end, u});
            }
            v = end;
        }
        while (o < open.size())
            draw(open[o++], u);
        open.swap(next);
    }
}

void paintTrench(QPainter &painter, const Section &s, const SectionPicture::Layout &layout, const Trench &t)
{
    QPainterPath left;
    QPainterPath right;
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        const Trench::Row &row = t.rows[i];
        const QPointF l0 = layout.toPixels(s, row.left, row.bottom);
        const QPointF l1 = layout.toPixels(s, row.left, row.top);
        const QPointF r0 = layout.toPixels(s, row.right, row.bottom);
        const QPointF r1 = layout.toPixels(s, row.right, row.top);
        if (i == 0) {
            left.moveTo(l0);
            right.moveTo(r0);
        } else {
            left.lineTo(l0);
            right.lineTo(r0);
        }
        left.lineTo(l1);
        right.lineTo(r1);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(220, 30, 30), 2.0));
    painter.drawPath(left);
    painter.drawPath(right);
    painter.setPen(QPen(QColor(220, 30, 30), 1.0, Qt::DashLine));
    painter.drawLine(layout.toPixels(s, t.from, t.surface), layout.toPixels(s, t.to, t.surface));
}

void paintRuler(QPainter &painter, const Section &s, const SectionPicture::Layout &layout,
                const SectionPicture::Ruler &ruler)
{
    const QPointF a = layout.toPixels(s, ruler.from.x(), ruler.from.y());
    const QPointF b = layout.toPixels(s, ruler.to.x(), ruler.to.y());
    painter.setPen(QPen(Qt::black, 3.0));
    painter.drawLine(a, b);
    painter.setPen(QPen(QColor(255, 230, 0), 1.5));
    painter.drawLine(a, b);
    painter.setBrush(QColor(255, 230, 0));
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawEllipse(a, 3.5, 3.5);
    painter.drawEllipse(b, 3.5, 3.5);
    if (ruler.label.isEmpty())
        return;
    const QFontMetricsF metrics(painter.font());
    const QPointF middle = (a + b) / 2.0 + QPointF(8.0, -8.0);
    QRectF box(middle, QSizeF(metrics.horizontalAdvance(ruler.label) + 8.0, metrics.height() + 4.0));
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawRect(box);
    painter.drawText(box, Qt::AlignCenter, ruler.label);
}

void paintTicks(QPainter &painter, const Section &s, const SectionPicture::Layout &layout)
{
    const QRectF frame = layout.frame;
    const QFontMetricsF metrics(painter.font());
    const double step = Util::ScaleStep::below(2.5 * tickSpacing / layout.pixelsPerMicrometre);
    if (!(step > 0.0))
        return;
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::NoBrush);
    // The visible span of each axis.
    const QPointF low = layout.toSection(s, frame.bottomLeft());
    const QPointF high = layout.toSection(s, frame.topRight());
    const double uLow = std::max(low.x(), s.uOrigin);
    const double uHigh = std::min(high.x(), s.uEnd());
    const double vLow = std::max(low.y(), s.vOrigin);
    const double vHigh = std::min(high.y(), s.vEnd());
    for (double u = std::ceil(uLow / step - 1e-9) * step; u <= uHigh + 1e-9 * step; u += step) {
        const double x = layout.toPixels(s, u, 0.0).x();
        painter.drawLine(QPointF(x, frame.bottom()), QPointF(x, frame.bottom() + tickLength));
        const QString label = Util::ScaleStep::tickText(u, step);
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(x - w / 2.0, frame.bottom() + tickLength + metrics.ascent() + 2.0), label);
    }
    for (double v = std::ceil(vLow / step - 1e-9) * step; v <= vHigh + 1e-9 * step; v += step) {
        const double y = layout.toPixels(s, 0.0, v).y();
        painter.drawLine(QPointF(frame.left() - tickLength, y), QPointF(frame.left(), y));
        const QString label = Util::ScaleStep::tickText(v, step);
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(frame.left() - tickLength - 3.0 - w, y + metrics.ascent() / 2.0 - 1.0), label);
    }
    const QString uTitle = axisName(s.uAxis) + QStringLiteral(" (\u00b5m)");
    const QString vTitle = axisName(s.vAxis) + QStringLiteral(" (\u00b5m)");
    painter.drawText(QPointF(frame.center().x() - metrics.horizontalAdvance(uTitle) / 2.0,
                             frame.bottom() + tickLength + 2.0 * metrics.height() + 4.0),
                     uTitle);
    painter.save();
    painter.translate(frame.left() - metrics.horizontalAdvance(QStringLiteral("-0000.00")) - tickLength - 6.0,
                      frame.center().y() + metrics.horizontalAdvance(vTitle) / 2.0);
    painter.rotate(-90.0);
    painter.drawText(QPointF(0.0, 0.0), vTitle);
    painter.restore();
}

void paintScaleBar(QPainter &painter, const SectionPicture::Layout &layout)
{
    const double length = Util::ScaleStep::below(0.25 * layout.frame.width() / layout.pixelsPerMicrometre);
    if (!(length > 0.0))
        return;
    const QString label = Util::ScaleStep::lengthText(length);
    const QFontMetricsF metrics(painter.font());
    const double pixels = length * layout.pixelsPerMicrometre;
    const double right = layout.frame.right() - margin;
    const double y = layout.frame.bottom() - margin;
    const QRectF box(right - std::max(pixels, metrics.horizontalAdvance(label)) - 6.0,
                     y - metrics.height() - 8.0, std::max(pixels, metrics.horizontalAdvance(label)) + 12.0,
                     metrics.height() + 14.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawRect(box);
    painter.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(right - pixels, y), QPointF(right, y));
    painter.drawLine(QPointF(right - pixels, y - 4.0), QPointF(right - pixels, y + 4.0));
    painter.drawLine(QPointF(right, y - 4.0), QPointF(right, y + 4.0));
    painter.drawText(QPointF(right - pixels / 2.0 - metrics.horizontalAdvance(label) / 2.0, y - 5.0), label);
}

void paintLegend(QPainter &painter, const Section &s, const SectionPicture::Layout &layout)
{
    const QFontMetricsF metrics(painter.font());
    double y = layout.legend.top();
    const double x = layout.legend.left();
    for (const auto &entry : Materials::MaterialLegend::entries(s.materials())) {
        const QColor opaque(entry.color.red(), entry.color.green(), entry.color.blue());
        painter.setPen(QPen(Qt::black, 1.0));
        painter.setBrush(opaque);
        painter.drawRect(QRectF(x, y, swatchSize, swatchSize));
        painter.drawText(QPointF(x + swatchSize + 6.0, y + swatchSize / 2.0 + metrics.ascent() / 2.0 - 1.0),
                         entry.name);
        y += std::max(swatchSize, metrics.height()) + 4.0;
    }
}

} // namespace

QPointF SectionPicture::Layout::toPixels(const Section &s, double u, double v) const
{
    return QPointF(plot.left() + (u - s.uOrigin) * pixelsPerMicrometre,
                   plot.bottom() - (v - s.vOrigin) * pixelsPerMicrometre);
}

QPointF SectionPicture::Layout::toSection(const Section &s, const QPointF &pixel) const
{
    return QPointF(s.uOrigin + (pixel.x() - plot.left()) / pixelsPerMicrometre,
                   s.vOrigin + (plot.bottom() - pixel.y()) / pixelsPerMicrometre);
}

SectionPicture::Layout SectionPicture::fit(const Section &section, const QSizeF &size, const Options &options)
{
    return zoomed(section, size, options, 1.0,
                  QPointF(section.uOrigin + uSpan(section) / 2.0, section.vOrigin + vSpan(section) / 2.0));
}

SectionPicture::Layout SectionPicture::zoomed(const Section &section, const QSizeF &size, const Options &options,
                                              double zoom, const QPointF &centre)
{
    Layout layout;
    layout.size = size;
    layout.frame = frameFor(section, size, options);
    layout.pixelsPerMicrometre = fittedScale(section, layout.frame) * (zoom > 0.0 && std::isfinite(zoom) ? zoom : 1.0);
    const double w = uSpan(section) * layout.pixelsPerMicrometre;
    const double h = vSpan(section) * layout.pixelsPerMicrometre;
    const QPointF c = layout.frame.center();
    layout.plot = QRectF(c.x() - (centre.x() - section.uOrigin) * layout.pixelsPerMicrometre,
                         c.y() - h + (centre.y() - section.vOrigin) * layout.pixelsPerMicrometre, w, h);
    if (options.legend)
        layout.legend = QRectF(layout.frame.right() + margin, layout.frame.top(),
                               size.width() - layout.frame.right() - 2.0 * margin, layout.frame.height());
    return layout;
}

void SectionPicture::paint(QPainter &painter, const Section &section, const Layout &layout, const Options &options)
{
    painter.save();
    painter.setFont(pictureFont());
    painter.fillRect(QRectF(QPointF(0.0, 0.0), layout.size), Qt::white);
    painter.save();
    painter.setClipRect(layout.frame);
    // Empty cells show the section's own background; the room beyond the
    // section (zoomed out, or another aspect than the frame's) stays white.
    painter.fillRect(layout.frame, Qt::white);
    painter.fillRect(layout.plot, QColor(236, 240, 245));
    paintCells(painter, section, layout, options.vector);
    painter.setPen(QPen(QColor(150, 150, 150), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(layout.plot);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (options.trench)
        paintTrench(painter, section, layout, *options.trench);
    if (options.ruler)
        paintRuler(painter, section, layout, *options.ruler);
    if (options.scaleBar)
        paintScaleBar(painter, layout);
    painter.restore();
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(layout.frame);
    if (options.ticks)
        paintTicks(painter, section, layout);
    if (options.legend)
        paintLegend(painter, section, layout);
    if (options.title) {
        const QFontMetricsF metrics(painter.font());
        painter.setPen(Qt::black);
        painter.drawText(QPointF(layout.frame.left(), margin + metrics.ascent()), title(section));
    }
    painter.restore();
}

QImage SectionPicture::cellImage(const Section &s)
{
    QImage image(int(s.width), int(s.height), QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    std::unordered_map<std::uint32_t, QRgb> colors;
    colors.emplace(0u, qRgba(0, 0, 0, 0));
    for (std::uint32_t v = 0; v < s.height; ++v) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(int(s.height - 1 - v)));
        std::uint32_t last = 0;
        QRgb lastColor = qRgba(0, 0, 0, 0);
        for (std::uint32_t u = 0; u < s.width; ++u) {
            const std::uint32_t id = s.id(u, v);
            if (id != last) {
                auto found = colors.find(id);
                if (found == colors.end()) {
                    const QColor c = Materials::MaterialLegend::entry(id).color;
                    found = colors.emplace(id, qRgb(c.red(), c.green(), c.blue())).first;
                }
                last = id;
                lastColor = found->second;
            }
            line[u] = lastColor;
        }
    }
    return image;
}

QSize SectionPicture::fileSize(const Section &section, const Options &options, int longSide)
{
    const Margins m = marginsFor(section, options);
    const double longest = std::max(uSpan(section), vSpan(section));
    const double scale = longest > 0.0 ? longSide / longest : 1.0;
    const QFontMetricsF metrics(pictureFont());
    const double legendHeight = options.legend
        ? double(section.materials().size()) * (std::max(swatchSize, metrics.height()) + 4.0) : 0.0;
    const double w = uSpan(section) * scale + m.left + m.right;
    const double h = std::max(vSpan(section) * scale, legendHeight) + m.top + m.bottom;
    return QSize(int(std::ceil(w)), int(std::ceil(h)));
}

QString SectionPicture::title(const Section &section)
{
    return QStringLiteral("Section %1 = %2 \u00b5m").arg(axisName(section.normal), Util::floatText(float(section.at)));
}

} // namespace Metrology
} // namespace Model

#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

class QPainter;

namespace Model {
namespace Metrology {

struct Section;
struct Trench;

// Draws a section at true aspect (one µm is as long across as up): the cells
// in their materials' colours, axis ticks in µm along the left and bottom
// edges, a µm scale bar, a legend of the materials shown, and on request a
// ruler and the walls of a measured trench. Plain QPainter work, so the
// section view, saved PNG and SVG pictures and kestrum-batch draw alike.
class SectionPicture
{
public:
    struct Ruler
    {
        QPointF from; // in-plane µm (u, v)
        QPointF to;
        QString label;
    };

    struct Options
    {
        bool title = true;
        bool ticks = true;
        bool scaleBar = true;
        bool legend = true;
        // Cells as one rectangle per run of a column (for SVG files) rather
        // than one scaled image of a pixel per cell (for the screen and PNG).
        bool vector = false;
        std::optional<Ruler> ruler;
        const Trench *trench = nullptr;
    };

    // Where things go in a picture: `frame` is the room for the cells, `plot`
    // where the whole section lies (beyond the frame when zoomed in).
    struct Layout
    {
        QSizeF size;
        QRectF frame;
        QRectF plot;
        QRectF legend;
        double pixelsPerMicrometre = 0.0;

        QPointF toPixels(const Section &section, double u, double v) const;
        QPointF toSection(const Section &section, const QPointF &pixel) const;
    };

    // The whole section, as large as fits in `size` at true aspect.
    static Layout fit(const Section &section, const QSizeF &size, const Options &options);
    // The section at `zoom` times the fitted scale, its point `centre` (µm)
    // in the middle of the frame.
    static Layout zoomed(const Section &section, const QSizeF &size, const Options &options, double zoom,
                         const QPointF &centre);

    static void paint(QPainter &painter, const Section &section, const Layout &layout, const Options &options);

    // One pixel per cell in the material's colour, the top row of cells first;
    // empty cells transparent.
    static QImage cellImage(const Section &section);
    // The size of a saved picture whose plot's longer side is `longSide` pixels.
    static QSize fileSize(const Section &section, const Options &options, int longSide = 1000);
    // "Section y = 12.5 µm".
    static QString title(const Section &section);
};

} // namespace Metrology
} // namespace Model

#pragma once

#include "Util/Vector3D.h"

#include <QColor>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <vector>

class QPainter;

namespace Ui {

// The annotations drawn over the scene: an axis triad that turns with the
// view (lower left), a scale bar in µm that follows the zoom (lower right)
// and a legend of the materials shown (upper right). The layout is plain
// arithmetic on the numbers a frame hands over; only paint() draws, with a
// QPainter over whatever the view rendered, so the same code serves the
// screen and every saved picture.
class ViewOverlay
{
public:
    enum Part { Axes = 0, ScaleBar = 1, Legend = 2 };
    static constexpr int partCount = 3;

    // A scale bar spans at most this share of the view's width; the 1-2-5
    // steps keep it above 2/5 of that.
    static constexpr double maxBarFraction = 0.25;
    // Rows the legend lists before it sums up the rest in one line.
    static constexpr int maxLegendRows = 12;

    struct Bar
    {
        double micrometres = 0.0;
        double pixels = 0.0;
        bool isValid() const { return micrometres > 0.0; }
    };
    // The longest 1, 2 or 5 x 10^n µm whose length at `pixelsPerMicrometre`
    // is at most maxFraction of `viewWidth` pixels. Invalid (no bar) when the
    // scale or the width is not a positive finite number.
    static Bar chooseScaleBar(double pixelsPerMicrometre, double viewWidth, double maxFraction = maxBarFraction);
    // "50 µm", "0.5 µm", "0.002 µm", "2000 µm": as many decimals as the
    // length's leading digit needs.
    static QString lengthText(double micrometres);
    // "x 12.5 µm, y 3.0 µm, z 30.0 µm", with decimals down to about one
    // pixel at `micrometresPerPixel` (one at least, four at most).
    static QString positionText(const Util::Vector3D &point, double micrometresPerPixel);

    struct Arrow
    {
        int axis = 0;
        // In the view plane, x to the right and y down; length 1 for an axis
        // lying in the plane, 0 for one pointing at the viewer.
        double dx = 0.0;
        double dy = 0.0;
        // Towards the viewer is positive.
        double depth = 0.0;
    };
    // The world x, y and z axes as the view shows them under `rotation` (the
    // model-view rotation, column-major 4 x 4), ordered back to front so the
    // nearest one is drawn last.
    static std::array<Arrow, 3> axisArrows(const double rotation[16]);

    struct LegendEntry
    {
        std::uint32_t id = 0;
        QString name;
        QColor color;
    };
    // Names and colours of material ids from the catalogue; an id it does
    // not hold is listed as "Material <id>" in the colour such cells are drawn in.
    static QVector<LegendEntry> legendEntries(const std::vector<std::uint32_t> &ids);

    // What one paint needs of the view.
    struct Frame
    {
        QSize size;                       // logical pixels
        double pixelsPerMicrometre = 0.0; // logical pixels
        std::array<double, 16> rotation{};
        QColor background;
        QVector<LegendEntry> legend;
    };

    // Where the last paint put each shown part (empty rectangles for the
    // others), and the scale bar it drew.
    struct Layout
    {
        QRectF axes;
        QRectF scaleBar;
        QRectF legend;
        Bar bar;
        QString barLabel;
        int legendRows = 0;
    };

    ViewOverlay();

    bool isShown(Part part) const { return shown[std::size_t(part)]; }
    void setShown(Part part, bool on) { shown[std::size_t(part)] = on; }

    void paint(QPainter &painter, const Frame &frame);
    const Layout &lastLayout() const { return layout; }
    // Whether a widget position lies on a part drawn at the last paint.
    bool covers(const QPointF &position) const;

private:
    void paintAxes(QPainter &painter, const Frame &frame, const QColor &ink);
    void paintScaleBar(QPainter &painter, const Frame &frame, const QColor &ink);
    void paintLegend(QPainter &painter, const Frame &frame);

    std::array<bool, partCount> shown;
    Layout layout;
};

} // namespace Ui

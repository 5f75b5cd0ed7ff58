#pragma once

#include <QPointF>
#include <QString>

namespace Model {
namespace Metrology {

struct Section;

// A straight measurement between two in-plane points of a section, in µm.
struct RulerReading
{
    QPointF from;        // (u, v)
    QPointF to;
    double du = 0.0;     // to - from along u
    double dv = 0.0;     // to - from along v
    double distance = 0.0;
    // Degrees between the line and the u axis (the horizontal of a vertical
    // section), in (-90, 90]: positive when the line rises to the right,
    // whichever end was taken first; 0 for two equal points.
    double angle = 0.0;
};

// The arithmetic of the section view's ruler, shared by whatever measures
// on a section.
class RulerMeasure
{
public:
    static RulerReading measure(const QPointF &from, const QPointF &to);
    // The point of the section's half-cell lattice (cell centres and faces)
    // nearest to `point`, kept inside the section.
    static QPointF snap(const Section &section, const QPointF &point);
    // "5 µm, 53.1301°", the text drawn beside the ruler. Lengths are given
    // to 0.1 nm, angles to 0.0001 degree.
    static QString label(const RulerReading &reading);
    // One line naming the section's axes: "Ruler on section y = 20 µm:
    // distance 5 µm, dx 3 µm, dz 4 µm, angle 53.1301° (from x 2.5, z 3.5 to
    // x 5.5, z 7.5 µm)".
    static QString line(const Section &section, const RulerReading &reading);
};

} // namespace Metrology
} // namespace Model

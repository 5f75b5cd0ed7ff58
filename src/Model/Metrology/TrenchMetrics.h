#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace Model {
namespace Metrology {

struct Section;

// What to measure: the deepest trench whose walls lie in [from, to] µm along
// the section's u axis (the whole section when not given), the undercut under
// `mask` when given, and the width at world height `widthHeight` when given.
struct TrenchRequest
{
    std::optional<double> from;
    std::optional<double> to;
    std::optional<std::uint32_t> mask;
    std::optional<double> widthHeight;
};

// The numbers of one trench of a vertical section, lengths in µm, angles in
// degrees to the horizontal (90 = vertical, below 90 the wall leans outwards
// as it rises, above 90 it overhangs).
struct Trench
{
    // One row of cells inside the trench: its height span and the faces of
    // the walls bounding the empty run that holds the trench's centre.
    struct Row
    {
        double bottom = 0.0;
        double top = 0.0;
        double left = 0.0;
        double right = 0.0;
        double width() const { return right - left; }
    };

    double from = 0.0;            // the range searched
    double to = 0.0;
    double surface = 0.0;         // mean surface height beside the trench
    double bottom = 0.0;          // height of its deepest point
    double centre = 0.0;          // u of the middle of its floor
    double depth = 0.0;
    double topWidth = 0.0;        // the opening at the surface
    double bottomWidth = 0.0;     // at the deepest level
    double widest = 0.0;
    double bowing = 0.0;          // widest - topWidth
    std::optional<double> widthAtHeight;
    std::optional<double> angleLeft;
    std::optional<double> angleRight;
    std::optional<double> undercutLeft;
    std::optional<double> undercutRight;
    std::optional<double> undercut; // mean of the sides that have one
    std::vector<Row> rows;        // bottom up

    // The trench's width at world height z; nothing outside [bottom, top of
    // the highest row].
    std::optional<double> widthAt(double z) const;
};

class TrenchMetrics
{
public:
    // The share of the depth, from the bottom, between which each wall is fitted.
    static constexpr double fitLow = 0.1;
    static constexpr double fitHigh = 0.9;

    // Finds and measures the deepest trench. Nothing, with the reason in
    // `error`, on a horizontal or empty section, a range outside the section
    // or narrower than three cells, or a range holding no trench.
    static std::optional<Trench> measure(const Section &section, const TrenchRequest &request,
                                         QString *error);

    // The metrics under the keys every front end uses: depth, top_width,
    // bottom_width, angle_left, angle_right, bowing, undercut (null where it
    // does not apply), then surface, bottom, widest, width_at, undercut_left,
    // undercut_right, from and to.
    static QJsonObject toJson(const Trench &trench);

    // The least-squares slope du/dz of points (z[i], u[i]); nothing for fewer
    // than two distinct heights.
    static std::optional<double> fitSlope(const std::vector<double> &z, const std::vector<double> &u);
};

} // namespace Metrology
} // namespace Model

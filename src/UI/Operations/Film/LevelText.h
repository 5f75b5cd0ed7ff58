#pragma once

#include <QString>

namespace Core {
namespace Operations {
struct SurfaceRange;
}
} // namespace Core

namespace Ui {
namespace Operations {

// What the height fields of the layer dialogs (spin coating, planarization)
// say about their value: heights are levels above the volume's bottom,
// counted in cells of z and shown in µm as well once the cell size is known.
class LevelText
{
public:
    // "Level above the volume's bottom: 14 cells = 3.5 µm." (`what` names the
    // level: "Minimum level ..."); without a cell size (no volume chosen) the
    // µm part is left out.
    static QString level(int cells, double cellSizeZ, const QString &what = QStringLiteral("Level"));
    // "The surface lies between 6 and 12 cells (6–12 µm)." or, flat,
    // "The surface lies at 12 cells (12 µm)."; for a volume without any
    // filled cell, "The volume holds no cells yet.".
    static QString surface(const Core::Operations::SurfaceRange &range, double cellSizeZ);
    // A length in µm with up to four decimals and no trailing zeros: "3.5".
    static QString micrometres(double value);
};

} // namespace Operations
} // namespace Ui

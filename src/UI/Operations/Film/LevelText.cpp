#include "UI/Operations/Film/LevelText.h"

#include "Core/Operations/Film/SurfaceRange.h"

#include <algorithm>
#include <cmath>

namespace Ui {
namespace Operations {

namespace {

const QString micrometreUnit = QStringLiteral(" \u00b5m");

bool knownScale(double cellSizeZ) { return cellSizeZ > 0.0 && std::isfinite(cellSizeZ); }

QString cellCount(std::uint32_t cells)
{
    return cells == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(cells);
}

} // namespace

QString LevelText::micrometres(double value)
{
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString LevelText::level(int cells, double cellSizeZ, const QString &what)
{
    const QString count = cellCount(std::uint32_t(std::max(0, cells)));
    if (!knownScale(cellSizeZ))
        return QStringLiteral("%1 above the volume's bottom: %2.").arg(what, count);
    return QStringLiteral("%1 above the volume's bottom: %2 = %3%4.")
        .arg(what, count, micrometres(std::max(0, cells) * cellSizeZ), micrometreUnit);
}

QString LevelText::surface(const Core::Operations::SurfaceRange &range, double cellSizeZ)
{
    if (range.empty)
        return QStringLiteral("The volume holds no cells yet.");
    const bool scaled = knownScale(cellSizeZ);
    if (range.lowest == range.highest) {
        const QString at = QStringLiteral("The surface lies at %1").arg(cellCount(range.highest));
        return scaled
            ? at + QStringLiteral(" (%1%2).").arg(micrometres(range.highest * cellSizeZ), micrometreUnit)
            : at + QLatin1Char('.');
    }
    const QString between
        = QStringLiteral("The surface lies between %1 and %2 cells").arg(range.lowest).arg(range.highest);
    if (!scaled)
        return between + QLatin1Char('.');
    return between
        + QStringLiteral(" (%1\u2013%2%3).")
              .arg(micrometres(range.lowest * cellSizeZ), micrometres(range.highest * cellSizeZ),
                  micrometreUnit);
}

} // namespace Operations
} // namespace Ui

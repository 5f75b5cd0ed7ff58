#include "ScaleStep.h"

#include <algorithm>
#include <cmath>

namespace Util {

double ScaleStep::below(double longest)
{
    if (!(longest > 0.0) || !std::isfinite(longest))
        return 0.0;
    // A decade above the estimate covers rounding in log10; negative powers
    // divide, so that 5 / 10 gives exactly 0.5.
    const int decade = int(std::floor(std::log10(longest)));
    for (int exponent = decade + 1; exponent >= decade - 1; --exponent) {
        for (const double leading : {5.0, 2.0, 1.0}) {
            const double length = exponent >= 0 ? leading * std::pow(10.0, exponent)
                                                : leading / std::pow(10.0, -exponent);
            if (length > 0.0 && length <= longest * (1.0 + 1e-9))
                return length;
        }
    }
    return 0.0;
}

QString ScaleStep::lengthText(double micrometres)
{
    if (!(micrometres > 0.0) || !std::isfinite(micrometres))
        return QStringLiteral("0 \u00b5m");
    const int leadingDigit = int(std::floor(std::log10(micrometres) + 1e-9));
    const int decimals = std::clamp(-leadingDigit, 0, 12);
    return QString::number(micrometres, 'f', decimals) + QStringLiteral(" \u00b5m");
}

QString ScaleStep::tickText(double value, double step)
{
    int decimals = 0;
    if (step > 0.0 && std::isfinite(step))
        decimals = std::clamp(-int(std::floor(std::log10(step) + 1e-9)), 0, 12);
    const double half = 0.5 * std::pow(10.0, -decimals);
    return QString::number(std::abs(value) < half ? 0.0 : value, 'f', decimals);
}

} // namespace Util

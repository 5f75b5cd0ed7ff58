#pragma once

#include <QString>

namespace Util {

// Round lengths for scale bars and axis ticks.
class ScaleStep
{
public:
    // The longest 1, 2 or 5 x 10^n that is at most `longest`; 0 when
    // `longest` is not a positive finite number.
    static double below(double longest);
    // "50 µm", "0.5 µm", "0.002 µm", "2000 µm": as many decimals as the
    // length's leading digit needs.
    static QString lengthText(double micrometres);
    // A tick value on a 1-2-5 axis of step `step`: as many decimals as the
    // step needs, no unit, "-0" never.
    static QString tickText(double value, double step);
};

} // namespace Util

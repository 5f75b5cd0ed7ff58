#include "Util/FloatText.h"

#include <cmath>

namespace Util {

QString floatText(float value)
{
    if (!std::isfinite(value))
        return QString::number(double(value));
    // Nine significant digits always tell two floats apart.
    QString text;
    for (int precision = 6; precision <= 9; ++precision) {
        text = QString::number(double(value), 'g', precision);
        bool ok = false;
        if (text.toFloat(&ok) == value && ok)
            break;
    }
    return text;
}

} // namespace Util

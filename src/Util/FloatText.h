#pragma once

#include <QString>

namespace Util {

// A float as people write it: the fewest significant digits, from 6 up to 9,
// that read back (QString::toFloat) as the same float, in Qt's 'g' form
// ("1.88e+11", "0.28", "2329", "1e-05"). Widening the float to a double and
// printing that shows the binary noise instead ("187999993856",
// "0.2800000011920929"). Six digits at least keep numbers below a million
// out of exponent form ("23290", not "2.329e+04").
QString floatText(float value);

} // namespace Util

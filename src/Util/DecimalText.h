#pragma once

#include <cstdint>

namespace Util {

// The decimal digits of an unsigned 32-bit number, written at `out` without
// any allocation (at most ten characters); returns the end. Char is char,
// ushort or QChar: the writers of cell lists produce millions of these.
template <typename Char>
Char *writeDecimal(Char *out, std::uint32_t value)
{
    char digits[10];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0)
        *out++ = Char(ushort(digits[--n]));
    return out;
}

} // namespace Util

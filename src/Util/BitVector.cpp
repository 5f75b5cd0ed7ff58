#include "BitVector.h"

namespace Util {

BitVector::BitVector(std::size_t count, bool value)
    : data((count + 31) / 32, 0u)
    , bitCount(count)
{
    fill(value);
}

bool BitVector::test(std::size_t index) const
{
    if (index >= bitCount)
        return false;
    return (data[index / 32] >> (index % 32)) & 1u;
}

void BitVector::set(std::size_t index, bool value)
{
    if (index >= bitCount)
        return;
    const std::uint32_t bit = 1u << (index % 32);
    if (value)
        data[index / 32] |= bit;
    else
        data[index / 32] &= ~bit;
}

void BitVector::fill(bool value)
{
    for (auto &word : data)
        word = value ? 0xFFFFFFFFu : 0u;
    // Keep the unused tail bits of the last word zero so equal masks compare equal.
    if (value && bitCount % 32 != 0 && !data.empty())
        data.back() = (1u << (bitCount % 32)) - 1u;
}

bool BitVector::operator==(const BitVector &other) const
{
    return bitCount == other.bitCount && data == other.data;
}

} // namespace Util

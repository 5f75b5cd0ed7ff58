#pragma once

#include <QMetaType>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Util {

// Bits packed in 32-bit words; bit k of a word holds index k modulo 32.
class BitVector
{
public:
    BitVector() = default;
    explicit BitVector(std::size_t bitCount, bool value = false);

    std::size_t size() const { return bitCount; }
    bool empty() const { return bitCount == 0; }
    bool test(std::size_t index) const;
    void set(std::size_t index, bool value = true);
    void fill(bool value);
    const std::vector<std::uint32_t> &words() const { return data; }

    bool operator==(const BitVector &other) const;
    bool operator!=(const BitVector &other) const { return !(*this == other); }

private:
    std::vector<std::uint32_t> data;
    std::size_t bitCount = 0;
};

} // namespace Util

Q_DECLARE_METATYPE(Util::BitVector)

#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace Util {

// Memory for arrays the size of a volume. Blocks of at least mappedBytes come
// straight from the kernel as an anonymous mapping aligned to 2 MiB: they
// read as zeros until written, the kernel backs them with transparent huge
// pages (one fault per 2 MiB instead of one per 4 KiB, which at a billion
// cells is most of the time spent in the kernel), and releasing one gives it
// back to the system at once. Smaller blocks come from the heap.
class LargeAllocation
{
public:
    static constexpr std::size_t mappedBytes = std::size_t(4) << 20;

    // Throws std::bad_alloc when the block cannot be had. `zeroed` blocks
    // read as zeros (free for a mapping, which the kernel fills on touch).
    static void *allocate(std::size_t bytes, bool zeroed);
    static void release(void *block, std::size_t bytes) noexcept;
    // Bytes held in mappings right now, over the whole program: the heap's
    // share is seen by whoever counts heap allocations.
    static std::uint64_t mappedBytesHeld();
    // The most held in mappings since the last reset (to what is held now).
    static std::uint64_t mappedBytesPeak();
    static void resetMappedBytesPeak();
};

// An owned array of trivial elements of fixed length, allocated through
// LargeAllocation. Moves, never copies.
template <class T>
class LargeArray
{
    static_assert(std::is_trivial<T>::value, "large arrays hold plain records");

public:
    enum class Start { Zeroed, Unset };

    LargeArray() = default;
    LargeArray(std::size_t count, Start start)
        : elements(static_cast<T *>(allocate(count, start)))
        , length(count)
    {
    }
    ~LargeArray() { reset(); }
    LargeArray(LargeArray &&other) noexcept
        : elements(std::exchange(other.elements, nullptr))
        , length(std::exchange(other.length, 0))
    {
    }
    LargeArray &operator=(LargeArray &&other) noexcept
    {
        if (this != &other) {
            reset();
            elements = std::exchange(other.elements, nullptr);
            length = std::exchange(other.length, 0);
        }
        return *this;
    }
    LargeArray(const LargeArray &) = delete;
    LargeArray &operator=(const LargeArray &) = delete;

    void reset()
    {
        if (elements)
            LargeAllocation::release(elements, length * sizeof(T));
        elements = nullptr;
        length = 0;
    }

    T *get() const { return elements; }
    std::size_t size() const { return length; }
    T &operator[](std::size_t i) const { return elements[i]; }
    explicit operator bool() const { return elements != nullptr; }

private:
    static void *allocate(std::size_t count, Start start)
    {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        return count == 0 ? nullptr : LargeAllocation::allocate(count * sizeof(T), start == Start::Zeroed);
    }

    T *elements = nullptr;
    std::size_t length = 0;
};

} // namespace Util

#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace Util {

// Memory for arrays the size of a volume. Blocks of at least mappedBytes come
// straight from the kernel as an anonymous mapping aligned to 2 MiB: they
// read as zeros until written, and releasing one gives it back to the system
// at once. Smaller blocks come from the heap.
//
// At a billion cells most of a step's time in the kernel goes to faulting in
// fresh pages, one 4 KiB page at a time. A block that is written whole soon
// after (a volume's cells, a process's state bytes) is faulted in by the
// kernel in one go when it is mapped, which costs about 40 % less. Huge pages
// (one fault per 2 MiB) are asked for only where the system hands them out
// without stalling: with the kernel's defrag setting "madvise" or "always"
// (Debian's default), every huge-page fault of a block that asks for them
// may first compact memory, and on a machine whose memory is in use that
// made creating a volume seven times slower than with ordinary pages.
//
// Within a run of steps (a recipe), a block given back is kept as a spare
// while a KeepSpares object lives, and the next request of the same size
// takes it over without a single fault: a deposition's working state serves
// the etch after it. A request that matches no spare first gives all spares
// back to the system, so spares never add to a step's peak; when the last
// KeepSpares ends, they are given back too, and at rest a volume holds its
// cells and nothing else.
class LargeAllocation
{
public:
    static constexpr std::size_t mappedBytes = std::size_t(4) << 20;

    enum class Touch { Sparse, Whole };
    // Throws std::bad_alloc when the block cannot be had. `zeroed` blocks
    // read as zeros (free for a mapping, which the kernel fills on touch);
    // Touch::Whole blocks are mapped with all their pages present.
    static void *allocate(std::size_t bytes, bool zeroed, Touch touch = Touch::Sparse);
    // Whether mappings ask for huge pages: the system's defrag setting lets
    // a fault fall back to ordinary pages at once ("defer", "never"), or
    // KESTRUM_HUGE_PAGES is 1 (0 turns them off whatever the setting).
    static bool hugePagesWanted();
    static void release(void *block, std::size_t bytes) noexcept;
    // Bytes held in mappings right now, over the whole program: the heap's
    // share is seen by whoever counts heap allocations.
    static std::uint64_t mappedBytesHeld();
    // Bytes held as spares right now: memory this program can give back.
    static std::uint64_t spareBytes();
    // Gives every spare back to the system (a step that needs the memory
    // for something else).
    static void releaseSpares();

    // While one lives, released blocks are kept as spares for reuse.
    class KeepSpares
    {
    public:
        KeepSpares();
        ~KeepSpares();
        KeepSpares(const KeepSpares &) = delete;
        KeepSpares &operator=(const KeepSpares &) = delete;
    };
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
    // Zeroed: reads as zeros; Unset: the owner writes every element before
    // reading it; WrittenWhole: as Unset, and the owner writes all of it, or
    // enough that nearly every page is touched, right away (its pages are
    // faulted in when it is mapped).
    enum class Start { Zeroed, Unset, WrittenWhole };

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
        return count == 0 ? nullptr
                          : LargeAllocation::allocate(count * sizeof(T), start == Start::Zeroed,
                                                      start == Start::WrittenWhole ? LargeAllocation::Touch::Whole
                                                                                   : LargeAllocation::Touch::Sparse);
    }

    T *elements = nullptr;
    std::size_t length = 0;
};

} // namespace Util

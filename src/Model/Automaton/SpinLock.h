#pragma once

#include <atomic>
#include <cstdint>

namespace Model {
namespace Automaton {

// Non-recursive spin lock on one word (0 free, 1 held). A waiter spins in
// user space first, then yields its time slice and naps for a millisecond at
// a time; it never parks on a kernel wait object.
class SpinLock
{
public:
    SpinLock() = default;
    SpinLock(const SpinLock &) = delete;
    SpinLock &operator=(const SpinLock &) = delete;

    void lock();
    bool tryLock();
    void unlock();
    bool isLocked() const { return word.load(std::memory_order_relaxed) != 0; }

private:
    std::atomic<std::uint32_t> word{0};
};

} // namespace Automaton
} // namespace Model

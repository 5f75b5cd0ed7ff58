#include "SpinLock.h"

#include <chrono>
#include <thread>

namespace Model {
namespace Automaton {

namespace {
constexpr int tightRounds = 32;
// The usual system timer tick; after it has passed a waiter sleeps instead of yielding.
constexpr auto timerTick = std::chrono::milliseconds(10);
} // namespace

bool SpinLock::tryLock()
{
    std::uint32_t expected = 0;
    return word.compare_exchange_strong(expected, 1, std::memory_order_acquire, std::memory_order_relaxed);
}

void SpinLock::lock()
{
    if (tryLock())
        return;
    const bool singleCore = std::thread::hardware_concurrency() <= 1;
    const auto start = std::chrono::steady_clock::now();
    for (unsigned round = 0;; ++round) {
        if (tryLock())
            return;
        if (!singleCore && round < tightRounds)
            continue;
        const bool tickElapsed = std::chrono::steady_clock::now() - start >= timerTick;
        if (tickElapsed && (round % 2 == 0))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else
            std::this_thread::yield();
    }
}

void SpinLock::unlock()
{
    std::uint32_t expected = 1;
    word.compare_exchange_strong(expected, 0, std::memory_order_release, std::memory_order_relaxed);
}

} // namespace Automaton
} // namespace Model

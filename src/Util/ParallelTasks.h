#pragma once

#include <cstddef>
#include <functional>

class QThreadPool;

namespace Util {

// Runs a fixed number of tasks side by side and waits for all of them: the
// one shared way the engines, the geometry builds and the atom splatter fan
// work out to threads.
//
// task(0) runs on the calling thread, the others on the pool. The call
// returns only once every task has ended, even when some of them throw, so no
// task is left running on data the caller is about to unwind; the first
// failure in task order is then rethrown unchanged (std::bad_alloc stays
// std::bad_alloc).
//
// In a thread-sanitizer build the tasks run on plain threads instead: Qt is
// not built with that sanitizer, so it cannot see the pool's joins and would
// have every result read after a join reported as a race.
class ParallelTasks
{
public:
    using Task = std::function<void(std::size_t index)>;

    // `pool` null means the global pool.
    static void run(std::size_t count, const Task &task, QThreadPool *pool = nullptr);
};

} // namespace Util

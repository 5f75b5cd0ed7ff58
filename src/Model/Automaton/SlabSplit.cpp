#include "SlabSplit.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <exception>
#if defined(__SANITIZE_THREAD__)
#include <thread>
#endif

namespace Model {
namespace Automaton {

int SlabSplit::poolThreadCount()
{
    return std::max(1, QThreadPool::globalInstance()->maxThreadCount());
}

std::vector<SlabSplit::Slab> SlabSplit::split(std::uint32_t begin, std::uint32_t end,
                                              int threadCount)
{
    std::vector<Slab> slabs;
    if (end <= begin)
        return slabs;
    const std::uint32_t count = std::uint32_t(std::max(1, threadCount));
    const std::uint32_t width = (end - begin) / count;
    if (width == 0)
        return slabs;
    slabs.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t first = begin + i * width;
        slabs.push_back(Slab{first, i + 1 == count ? end : first + width});
    }
    return slabs;
}

void SlabSplit::run(const std::vector<Slab> &slabs,
                    const std::function<void(std::size_t, Slab)> &work)
{
    if (slabs.empty())
        return;
    // Failures are caught inside each task and kept per slab, so the original
    // exception (std::bad_alloc, std::length_error) reaches the caller, and so
    // no task is left running on data the caller is about to unwind.
    std::vector<std::exception_ptr> failures(slabs.size());
    auto guarded = [&](std::size_t i) {
        try {
            work(i, slabs[i]);
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };

#if defined(__SANITIZE_THREAD__)
    // Qt is not built with the thread sanitizer, so it cannot see the joins
    // of the pool's futures; plain threads make them visible to it.
    std::vector<std::thread> threads;
    threads.reserve(slabs.size() - 1);
    for (std::size_t i = 1; i < slabs.size(); ++i)
        threads.emplace_back([&guarded, i] { guarded(i); });
    guarded(0);
    for (std::thread &thread : threads)
        thread.join();
#else
    std::vector<QFuture<void>> tasks;
    tasks.reserve(slabs.size() - 1);
    for (std::size_t i = 1; i < slabs.size(); ++i)
        tasks.push_back(QtConcurrent::run(QThreadPool::globalInstance(), [&guarded, i] { guarded(i); }));
    guarded(0);
    for (QFuture<void> &task : tasks)
        task.waitForFinished();
#endif

    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace Automaton
} // namespace Model

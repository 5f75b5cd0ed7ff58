#include "ParallelTasks.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <vector>
#if defined(__SANITIZE_THREAD__)
#include <thread>
#endif

namespace Util {

void ParallelTasks::run(std::size_t count, const Task &task, QThreadPool *pool)
{
    if (count == 0)
        return;
    std::vector<std::exception_ptr> failures(count);
    const auto guarded = [&task, &failures](std::size_t i) {
        try {
            task(i);
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };

#if defined(__SANITIZE_THREAD__)
    Q_UNUSED(pool);
    std::vector<std::thread> threads;
    threads.reserve(count - 1);
    for (std::size_t i = 1; i < count; ++i)
        threads.emplace_back([&guarded, i] { guarded(i); });
    guarded(0);
    for (std::thread &thread : threads)
        thread.join();
#else
    QThreadPool *target = pool ? pool : QThreadPool::globalInstance();
    std::vector<QFuture<void>> tasks;
    tasks.reserve(count - 1);
    for (std::size_t i = 1; i < count; ++i)
        tasks.push_back(QtConcurrent::run(target, [&guarded, i] { guarded(i); }));
    guarded(0);
    for (QFuture<void> &future : tasks)
        future.waitForFinished();
#endif

    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace Util

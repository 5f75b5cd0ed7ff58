#include "Util/ParallelTasks.h"

#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

// The fan-out every parallel algorithm goes through: each task runs once, the
// caller gets control back only after the last one, results written by the
// tasks are seen by the caller (the thread-sanitizer build checks the join),
// and a failure comes back as the first one in task order, unchanged.
class TestParallelTasks : public QObject
{
    Q_OBJECT

private slots:
    void everyTaskOnceThenJoined_data();
    void everyTaskOnceThenJoined();
    void firstFailureInTaskOrder_data();
    void firstFailureInTaskOrder();
};

void TestParallelTasks::everyTaskOnceThenJoined_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("poolThreads"); // 0: the global pool
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("one, on the caller") << 1 << 0;
    QTest::newRow("two on the global pool") << 2 << 0;
    QTest::newRow("more tasks than threads") << 17 << 0;
    QTest::newRow("own pool of one thread") << 9 << 1;
}

void TestParallelTasks::everyTaskOnceThenJoined()
{
    QFETCH(int, count);
    QFETCH(int, poolThreads);
    QThreadPool own;
    if (poolThreads > 0)
        own.setMaxThreadCount(poolThreads);
    // Plain (not atomic) slots: each is written by one task and read after
    // the join, which must order them.
    std::vector<long> written(std::size_t(count), 0);
    std::vector<int> runs(std::size_t(count), 0);
    const QThread *caller = QThread::currentThread();
    bool firstOnCaller = count == 0;
    Util::ParallelTasks::run(
        std::size_t(count),
        [&](std::size_t i) {
            QThread::usleep(i % 3 == 0 ? 2000 : 0);
            written[i] = long(i) * 1000 + 7;
            ++runs[i];
            if (i == 0)
                firstOnCaller = QThread::currentThread() == caller;
        },
        poolThreads > 0 ? &own : nullptr);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(runs[std::size_t(i)], 1);
        QCOMPARE(written[std::size_t(i)], long(i) * 1000 + 7);
    }
    QVERIFY(firstOnCaller);
}

void TestParallelTasks::firstFailureInTaskOrder_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("failing");
    QTest::addColumn<int>("expected"); // the index whose failure comes back
    QTest::newRow("the caller's own task") << 4 << QList<int>{0} << 0;
    QTest::newRow("a pool task") << 4 << QList<int>{2} << 2;
    QTest::newRow("two: the lower index wins") << 6 << QList<int>{5, 1} << 1;
    QTest::newRow("all fail") << 3 << QList<int>{0, 1, 2} << 0;
}

void TestParallelTasks::firstFailureInTaskOrder()
{
    QFETCH(int, count);
    QFETCH(QList<int>, failing);
    QFETCH(int, expected);
    std::atomic<int> ended{0};
    try {
        Util::ParallelTasks::run(std::size_t(count), [&](std::size_t i) {
            // Failing tasks end first, so a caller that did not wait for the
            // slow ones would see ended < count.
            if (failing.contains(int(i))) {
                ++ended;
                if (int(i) % 2 == 1)
                    throw std::bad_alloc();
                throw std::runtime_error(std::to_string(i));
            }
            QThread::usleep(5000);
            ++ended;
        });
        QFAIL("no failure came back");
    } catch (const std::bad_alloc &) {
        QCOMPARE(expected % 2, 1);
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromStdString(error.what()), QString::number(expected));
    }
    QCOMPARE(ended.load(), count);
}

QTEST_GUILESS_MAIN(TestParallelTasks)
#include "tst_paralleltasks.moc"

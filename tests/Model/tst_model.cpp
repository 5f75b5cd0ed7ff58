#include "Model/Automaton/TotalVolume.h"
#include "Util/Vector3D.h"

#include <QtConcurrent>
#include <QtTest>

#include <atomic>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <thread>

using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

// Cell i holds material id i.
std::shared_ptr<TotalVolume> makeVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    std::iota(ids.begin(), ids.end(), 0u);
    return std::make_shared<TotalVolume>(nx, ny, nz, 1.f, 2.f, 3.f, Util::Vector3D(1, 2, 3), ids);
}

enum class Leaving { EndOfScope, Exception, Unlock, WriteThroughReadLock };

} // namespace

Q_DECLARE_METATYPE(Leaving)

class TestModel : public QObject
{
    Q_OBJECT

private slots:
    void cloneKeepsTheCells();
    void spinLockNeverLosesAnUpdate();
    void cellsLockReleasedOnLeaving_data();
    void cellsLockReleasedOnLeaving();
    void cellsLockExcludes_data();
    void cellsLockExcludes();
};

// Copying is checked in place and id by the copy operation's test; the cells come along.
void TestModel::cloneKeepsTheCells()
{
    auto volume = makeVolume(2, 3, 4);
    std::unique_ptr<TotalVolume> copy(static_cast<TotalVolume *>(volume->clone()));
    QCOMPARE(copy->materialIds(), volume->materialIds());
}

void TestModel::spinLockNeverLosesAnUpdate()
{
    auto volume = makeVolume(1, 1, 1);
    constexpr int rounds = 200000;
    auto hammer = [volume] {
        for (int i = 0; i < rounds; ++i) {
            ++TotalVolume::CellsLock(*volume, TotalVolume::CellsLock::Write).writableCells()[0].material;
        }
    };
    QFuture<void> a = QtConcurrent::run(hammer);
    QFuture<void> b = QtConcurrent::run(hammer);
    a.waitForFinished();
    b.waitForFinished();
    QCOMPARE(volume->materialIds()[0], std::uint32_t(2 * rounds));
}

void TestModel::cellsLockReleasedOnLeaving_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Leaving>("leaving");
    QTest::addColumn<bool>("written");
    QTest::newRow("read, end of scope") << int(TotalVolume::CellsLock::Read) << Leaving::EndOfScope << false;
    QTest::newRow("write, end of scope") << int(TotalVolume::CellsLock::Write) << Leaving::EndOfScope << true;
    QTest::newRow("write, exception") << int(TotalVolume::CellsLock::Write) << Leaving::Exception << true;
    QTest::newRow("write, unlocked before the end") << int(TotalVolume::CellsLock::Write) << Leaving::Unlock << true;
    QTest::newRow("read lock asked for writable cells")
        << int(TotalVolume::CellsLock::Read) << Leaving::WriteThroughReadLock << false;
}

void TestModel::cellsLockReleasedOnLeaving()
{
    QFETCH(int, mode);
    QFETCH(Leaving, leaving);
    QFETCH(bool, written);
    auto volume = makeVolume(2, 2, 2);
    const auto holder = [&] {
        TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Mode(mode));
        QVERIFY(volume->cellsLocked());
        QCOMPARE(lock.cells()[3].material, 3u);
        if (mode == TotalVolume::CellsLock::Write)
            lock.writableCells()[3].material = 99;
        switch (leaving) {
        case Leaving::EndOfScope:
            break;
        case Leaving::Exception:
            throw std::runtime_error("the process gave up");
        case Leaving::Unlock:
            lock.unlock();
            QVERIFY(!volume->cellsLocked());
            lock.unlock(); // a second time, and the destructor: nothing more is given back
            return;
        case Leaving::WriteThroughReadLock:
            lock.writableCells()[3].material = 99;
            break;
        }
        QVERIFY(volume->cellsLocked());
    };
    bool threw = false;
    try {
        holder();
    } catch (const std::exception &) {
        threw = true;
    }
    QCOMPARE(threw, leaving == Leaving::Exception || leaving == Leaving::WriteThroughReadLock);
    QVERIFY(!volume->cellsLocked());
    QCOMPARE(volume->materialIds()[3], written ? 99u : 3u);
    // Whoever comes next gets the cells at once.
    const TotalVolume::CellsLock next(*volume, TotalVolume::CellsLock::Write);
    QVERIFY(volume->cellsLocked());
}

void TestModel::cellsLockExcludes_data()
{
    QTest::addColumn<int>("held");
    QTest::addColumn<int>("wanted");
    QTest::newRow("read holds off read") << int(TotalVolume::CellsLock::Read) << int(TotalVolume::CellsLock::Read);
    QTest::newRow("read holds off write") << int(TotalVolume::CellsLock::Read) << int(TotalVolume::CellsLock::Write);
    QTest::newRow("write holds off read") << int(TotalVolume::CellsLock::Write) << int(TotalVolume::CellsLock::Read);
}

// The cells have one exclusive lock, as they always had: whoever comes
// second waits, whatever either of them does with the cells.
void TestModel::cellsLockExcludes()
{
    QFETCH(int, held);
    QFETCH(int, wanted);
    auto volume = makeVolume(1, 1, 1);
    std::atomic<bool> taken{false};
    bool takenWhileHeld = false;
    std::thread waiter;
    {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Mode(held));
        waiter = std::thread([&] {
            const TotalVolume::CellsLock second(*volume, TotalVolume::CellsLock::Mode(wanted));
            taken = true;
        });
        QThread::msleep(50);
        takenWhileHeld = taken;
    }
    waiter.join();
    QVERIFY(!takenWhileHeld);
    QVERIFY(taken);
    QVERIFY(!volume->cellsLocked());
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"

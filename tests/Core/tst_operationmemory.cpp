#include "Core/TestOperations.h"

#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/Lifecycle/MemoryShortage.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/MemoryBudget.h"

#include <QtTest>

#include <new>
#include <stdexcept>

using namespace Core::Operations;
using namespace TestSupport;
using Model::Automaton::MemoryBudget;

namespace {

enum class Failure { Guard, BadAllocAfterWriting, LengthErrorAfterWriting };

// Turns half of the cells into material 7 and then fails as a process does
// that runs out of memory halfway.
class HalfwayFailure : public VolumeProcessOperation
{
public:
    explicit HalfwayFailure(Core::Workspace *ws, bool lengthError = false)
        : VolumeProcessOperation(ws, QStringLiteral("Halfway"), 60, QStringLiteral("Halfway"))
        , lengthError(lengthError)
    {
    }
    void setAmount() { optionSet(); }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override
    {
        {
            const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Write);
            Model::Automaton::Voxel *cells = lock.writableCells();
            for (std::size_t i = 0; i < volume.getCellCount() / 2; ++i)
                cells[i].material = 7;
        }
        if (lengthError)
            throw std::length_error("vector");
        throw std::bad_alloc();
    }

private:
    bool lengthError;
};

} // namespace

Q_DECLARE_METATYPE(Failure)

// A process that cannot have the memory it needs, started from the menu:
// it ends with a message, leaves the cells as they were, and nothing is
// left to undo.
class TestOperationMemory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        MemoryBudget::setAvailableBytesForTesting(0);
        MemoryBudget::failNextClaimForTesting(false);
    }
    void runsOutOfMemory_data();
    void runsOutOfMemory();
    void shortageOfARun_data();
    void shortageOfARun();
};

void TestOperationMemory::runsOutOfMemory_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("message");
    const QString cvd = Core::ProcessTable::operationName(Core::ProcessKey::Cvd);
    QTest::newRow("the guard refuses the front")
        << Failure::Guard << cvd + ": not enough memory for this step (needs about 1 MiB); the volume is unchanged.";
    QTest::newRow("std::bad_alloc after half the cells changed")
        << Failure::BadAllocAfterWriting << "Halfway: not enough memory for this step; the volume is unchanged.";
    QTest::newRow("std::length_error after half the cells changed")
        << Failure::LengthErrorAfterWriting << "Halfway: not enough memory for this step; the volume is unchanged.";
}

void TestOperationMemory::runsOutOfMemory()
{
    QFETCH(Failure, failure);
    QFETCH(QString, message);
    Core::Workspace workspace;
    // 8 x 8 x 12 cells, silicon below z = 4.
    auto volume = volumeFrom(8, 8, 12, [](auto, auto, auto z) { return z < 4 ? 1u : 0u; });
    const auto before = volume->materialIds();
    std::shared_ptr<void> factory;
    if (failure == Failure::Guard) {
        factory = playDialogs<IsotropicFilmDepositionOperation>(workspace, [](IsotropicFilmDepositionOperation &op) {
            op.setThickness(2.0f);
            op.setMaterial(3);
            op.end();
        });
    } else {
        const bool lengthError = failure == Failure::LengthErrorAfterWriting;
        factory = playDialogs<HalfwayFailure>(workspace, [](HalfwayFailure &op) {
            op.setAmount();
            op.end();
        }, [&workspace, lengthError](std::uint32_t) { return std::make_shared<HalfwayFailure>(&workspace, lengthError); });
    }
    // The volume fits; the front's 7 bytes a cell do not.
    if (failure == Failure::Guard)
        MemoryBudget::setAvailableBytesForTesting(1000);
    const auto log = logMessages(workspace);
    workspace.getSelection().select(volume);
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Cvd));

    QCOMPARE(log->lines.last(), message);
    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(volume->materialIds(), before);
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), 0u);

    // The same operation runs once the memory is there.
    cleanup();
    workspace.getSelection().select(volume);
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Cvd));
    if (failure == Failure::Guard) {
        QVERIFY(volume->materialIds() != before);
        QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(1));
    }
}

void TestOperationMemory::shortageOfARun_data()
{
    QTest::addColumn<bool>("copy");     // the run keeps a copy of the cells first
    QTest::addColumn<bool>("writes");   // it changes cells before it fails
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("reason"); // empty: it ran
    QTest::addColumn<bool>("unchanged");
    const QString same = QStringLiteral("not enough memory for this step (needs about 3 MiB); the volume is unchanged");
    QTest::newRow("fails after writing, with a copy") << true << true << true << same << true;
    QTest::newRow("fails before writing, without a copy") << false << false << true << same << true;
    QTest::newRow("fails after writing, without a copy")
        << false << true << true
        << "not enough memory for this step (needs about 3 MiB); the volume may be partly changed" << false;
    QTest::newRow("runs") << true << true << false << QString() << false;
}

// The shared frame around a run, in the window and in a batch.
void TestOperationMemory::shortageOfARun()
{
    QFETCH(bool, copy);
    QFETCH(bool, writes);
    QFETCH(bool, fails);
    QFETCH(QString, reason);
    QFETCH(bool, unchanged);
    Core::Workspace workspace;
    auto volume = volumeFrom(4, 4, 4, [](auto x, auto, auto) { return x; });
    const auto before = volume->materialIds();
    TotalVolumeUndoRedoHelper cells(&workspace, QStringLiteral("Shortage"));
    const QString result = MemoryShortage::run(cells, *volume, 2u * 1024 * 1024 + 1, [&] {
        if (copy)
            cells.saveBefore(volume.get());
        if (writes) {
            const Model::Automaton::TotalVolume::CellsLock lock(*volume, Model::Automaton::TotalVolume::CellsLock::Write);
            lock.writableCells()[5].material = 9;
        }
        if (fails)
            throw std::bad_alloc();
    });
    QCOMPARE(result, reason);
    QCOMPARE(volume->materialIds() == before, unchanged);
}

QTEST_GUILESS_MAIN(TestOperationMemory)
#include "tst_operationmemory.moc"

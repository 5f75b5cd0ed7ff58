#include "Core/TestOperations.h"

#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <tuple>

using namespace TestSupport;

using Record = std::pair<QString, uint>; // key and index; the record sets every cell to index + 1
Q_DECLARE_METATYPE(QVector<Record>)

namespace {

// Fills one empty cell with material 2.
void fillOneCell(Core::Workspace &workspace, const std::shared_ptr<Model::Automaton::TotalVolume> &volume)
{
    playDialogs<FillOperation>(workspace, [](FillOperation &op) {
        op.setMaterial(2);
        op.setAmount(1);
        op.end();
    });
    workspace.getSelection().select(volume);
    workspace.activate(50);
    QVERIFY(!workspace.getCurrentOperation());
    workspace.releaseEndedOperations();
}

} // namespace

class TestUndoRedo : public QObject
{
    Q_OBJECT

private slots:
    void recordSelection_data()
    {
        QTest::addColumn<QVector<Record>>("records");
        QTest::addColumn<int>("cutBytes"); // bytes cut off the end of the file
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QVector<uint>>("expected");
        const QVector<uint> untouched{9, 9};
        QTest::newRow("index 1 after index 0") << QVector<Record>{{"K", 0}, {"K", 1}} << 0 << true << QVector<uint>{2, 2};
        QTest::newRow("index 1 before index 0") << QVector<Record>{{"K", 1}, {"K", 0}} << 0 << true << QVector<uint>{2, 2};
        QTest::newRow("key prefix is not the key") << QVector<Record>{{"KK", 1}} << 0 << false << untouched;
        QTest::newRow("damaged record changes nothing") << QVector<Record>{{"K", 1}} << 3 << false << untouched;
    }

    void recordSelection()
    {
        QFETCH(QVector<Record>, records);
        QFETCH(int, cutBytes);
        QFETCH(bool, loaded);
        QFETCH(QVector<uint>, expected);
        QTemporaryDir dir;
        const QString undo = dir.filePath("undo.temp"), redo = dir.filePath("redo.temp");
        const std::uint32_t before[2] = {9, 9};
        for (const Record &record : records) {
            const std::uint32_t after[2] = {record.second + 1, record.second + 1};
            QVERIFY(Core::Operations::TotalVolumeUndoRedoHelper::writeRecords(undo, redo, record.first, record.second,
                                                                              before, after, 2));
        }
        QFile file(redo);
        QVERIFY(file.resize(file.size() - cutBytes));

        auto volume = makeVolume(1, 1, 2, 9);
        QCOMPARE(Core::Operations::TotalVolumeUndoRedoHelper::loadRecord(redo, "K", 1, volume.get()), loaded);
        const auto ids = volume->materialIds();
        QCOMPARE(QVector<uint>(ids.begin(), ids.end()), expected);
    }

    void sharedKeysNeverCollide()
    {
        Core::Workspace workspace;
        Core::Operations::TotalVolumeUndoRedoHelper a(&workspace, QStringLiteral("SharedKey"));
        Core::Operations::TotalVolumeUndoRedoHelper b(&workspace, QStringLiteral("SharedKey"));
        QVERIFY(a.getIndex() != b.getIndex());

        auto volumeA = makeVolume(1, 1, 1, 1), volumeB = makeVolume(1, 1, 1, 2);
        for (auto [helper, volume] : {std::make_pair(&a, volumeA.get()), std::make_pair(&b, volumeB.get())}) {
            helper->saveBefore(volume);
            using Lock = Model::Automaton::TotalVolume::CellsLock;
            Lock(*volume, Lock::Write).writableCells()[0].material = 7;
            helper->saveAfter(volume);
        }
        b.loadUndoState(volumeB.get());
        QCOMPARE(volumeB->materialIds()[0], 2u);
        a.loadUndoState(volumeA.get());
        QCOMPARE(volumeA->materialIds()[0], 1u);
        a.loadRedoState(volumeA.get());
        QCOMPARE(volumeA->materialIds()[0], 7u);
    }

    void saveBeforeAndAfter_data()
    {
        // "before" and "after" call the helper; "a" writes 5 into a cell of each
        // of the two stretches, "b" writes 6 into a third cell. The columns give
        // each "after"'s result and cells 2, 3 and the second stretch's second
        // cell after undo and after redo.
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QVector<bool>>("written");
        QTest::addColumn<QVector<uint>>("undone");
        QTest::addColumn<QVector<uint>>("redone");
        QTest::newRow("before, run, after") << QStringList{"before", "a", "after"} << QVector<bool>{true}
                                            << QVector<uint>{1, 1, 1} << QVector<uint>{5, 1, 5};
        QTest::newRow("after alone writes nothing") << QStringList{"a", "after"} << QVector<bool>{false}
                                                    << QVector<uint>{5, 1, 5} << QVector<uint>{5, 1, 5};
        QTest::newRow("a second before replaces the first")
            << QStringList{"before", "a", "before", "b", "after"} << QVector<bool>{true} << QVector<uint>{5, 1, 5}
            << QVector<uint>{5, 6, 5};
        QTest::newRow("a second after has nothing to compare")
            << QStringList{"before", "a", "after", "b", "after"} << QVector<bool>{true, false} << QVector<uint>{1, 6, 1}
            << QVector<uint>{5, 6, 5};
    }

    void saveBeforeAndAfter()
    {
        QFETCH(QStringList, calls);
        QFETCH(QVector<bool>, written);
        QFETCH(QVector<uint>, undone);
        QFETCH(QVector<uint>, redone);
        using Helper = Core::Operations::TotalVolumeUndoRedoHelper;
        using Lock = Model::Automaton::TotalVolume::CellsLock;
        Core::Workspace workspace;
        Helper helper(&workspace, QStringLiteral("Parity"));
        const std::size_t second = Helper::cellsPerBlock + 1;
        auto volume = makeVolume(1, 1, std::uint32_t(Helper::cellsPerBlock + 4), 1);
        const auto probe = [&] {
            const auto ids = volume->materialIds();
            return QVector<uint>{ids[2], ids[3], ids[second]};
        };
        QVector<bool> results;
        for (const QString &call : calls) {
            if (call == "before") {
                helper.saveBefore(volume.get());
            } else if (call == "after") {
                results << helper.saveAfter(volume.get());
            } else {
                const Lock lock(*volume, Lock::Write);
                if (call == "a")
                    lock.writableCells()[2].material = lock.writableCells()[second].material = 5;
                else
                    lock.writableCells()[3].material = 6;
            }
        }
        QCOMPARE(results, written);
        helper.loadUndoState(volume.get());
        QCOMPARE(probe(), undone);
        helper.loadRedoState(volume.get());
        QCOMPARE(probe(), redone);
    }

    // Five different operations, alternating between two volumes: every undo
    // and every redo restores the exact cells of both volumes.
    void chainOnTwoVolumes()
    {
        using namespace Core::Operations;
        Core::Workspace workspace;
        // A floor with a few posts, so the films and etches have corners to follow.
        const auto field = [](std::uint32_t nx, std::uint32_t ny, std::uint32_t nz) {
            return volumeFrom(nx, ny, nz,
                              [](auto x, auto y, auto z) { return z < 4 || (x % 7 < 3 && y % 5 < 2 && z < 9) ? 1u : 0u; });
        };
        const std::shared_ptr<Model::Automaton::TotalVolume> volumes[2] = {field(21, 15, 16), field(14, 20, 12)};

        // The volume, then 'd'eposit, 'e'tch or 'f'ill, the material and the amount.
        const std::vector<std::tuple<int, char, std::uint32_t, float>> chain = {
            {0, 'd', 2, 2.5f}, {1, 'e', 1, 3.0f}, {0, 'e', 2, 1.0f}, {1, 'd', 3, 4.0f}, {0, 'f', 4, 0.0f}};

        using Cells = std::array<std::vector<std::uint32_t>, 2>;
        const auto cellsNow = [&] { return Cells{volumes[0]->materialIds(), volumes[1]->materialIds()}; };
        std::vector<Cells> states{cellsNow()};
        std::shared_ptr<VolumeProcessOperation> next;
        playDialogs<VolumeProcessOperation>(workspace, [](VolumeProcessOperation &op) { op.end(); },
                                            [&next](std::uint32_t) { return next; });
        for (const auto &[onto, kind, material, amount] : chain) {
            if (kind == 'd') {
                auto op = std::make_shared<IsotropicFilmDepositionOperation>(&workspace);
                op->setMaterial(material);
                op->setThickness(amount);
                next = op;
            } else if (kind == 'e') {
                auto op = std::make_shared<IsotropicFilmEtchingOperation>(&workspace);
                op->setMaterial(material);
                op->setDepth(amount);
                next = op;
            } else {
                auto op = std::make_shared<FillOperation>(&workspace);
                op->setMaterial(material);
                next = op;
            }
            workspace.getSelection().select(volumes[onto]);
            workspace.activate(50);
            QVERIFY(!workspace.getCurrentOperation());
            states.push_back(cellsNow());
            QVERIFY(states.back() != states[states.size() - 2]); // every step changes cells
        }
        next.reset();

        auto &stack = workspace.getUndoRedo();
        for (std::size_t k = chain.size(); k > 0; --k) {
            QVERIFY(stack.undo());
            QVERIFY2(cellsNow() == states[k - 1], qPrintable(QStringLiteral("undo to state %1").arg(k - 1)));
        }
        QVERIFY(!stack.undo());
        for (std::size_t k = 1; k <= chain.size(); ++k) {
            QVERIFY(stack.redo());
            QVERIFY2(cellsNow() == states[k], qPrintable(QStringLiteral("redo to state %1").arg(k)));
        }
        // Back and forth in the middle of the chain.
        QVERIFY(stack.undo() && stack.undo());
        QVERIFY(cellsNow() == states[3]);
        QVERIFY(stack.redo());
        QVERIFY(cellsNow() == states[4]);
    }

    void documentModifiedFollowsStackPosition_data()
    {
        // p: a new operation, u: undo, r: redo, s: saved, c: stacks cleared (New);
        // then the entries on each stack.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("undos");
        QTest::addColumn<int>("redos");
        QTest::newRow("fresh") << "" << false << 0 << 0;
        QTest::newRow("one operation") << "p" << true << 1 << 0;
        QTest::newRow("saved") << "ps" << false << 1 << 0;
        QTest::newRow("saved, undone") << "psu" << true << 0 << 1;
        QTest::newRow("saved, undone, redone") << "psur" << false << 1 << 0;
        QTest::newRow("saved empty, operation undone") << "spu" << false << 0 << 1;
        QTest::newRow("saved state and redo dropped by a new operation") << "ppsuupp" << true << 2 << 0;
        QTest::newRow("cleared") << "pc" << false << 0 << 0;
    }

    void documentModifiedFollowsStackPosition()
    {
        QFETCH(QString, steps);
        QFETCH(bool, modified);
        QFETCH(int, undos);
        QFETCH(int, redos);
        QTemporaryDir dir;
        Core::Workspace workspace(dir.path());
        auto &stack = workspace.getUndoRedo();
        auto volume = makeVolume();
        workspace.getDocument().addObject(volume);
        for (const QChar step : steps) {
            switch (step.toLatin1()) {
            case 'p': fillOneCell(workspace, volume); break;
            case 'u': QVERIFY(stack.undo()); break;
            case 'r': QVERIFY(stack.redo()); break;
            case 's': workspace.markDocumentSaved(); break;
            case 'c': stack.clear(); break;
            }
        }
        QCOMPARE(workspace.isDocumentModified(), modified);
        QCOMPARE(int(stack.undoCount()), undos);
        QCOMPARE(int(stack.redoCount()), redos);
        QCOMPARE(stack.undoTopName(), undos ? QStringLiteral("Fill") : QString());
        QCOMPARE(stack.redoTopName(), redos ? QStringLiteral("Fill") : QString());
        QCOMPARE(stack.undo(), undos > 0);
    }
};

QTEST_GUILESS_MAIN(TestUndoRedo)
#include "tst_undoredo.moc"

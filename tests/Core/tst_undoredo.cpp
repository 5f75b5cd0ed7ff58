#include "Core/TestOperations.h"

#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

using Record = std::pair<QString, uint>; // key and index; the record sets every cell to index + 1
Q_DECLARE_METATYPE(QVector<Record>)

namespace {

void runFill(Core::Workspace &workspace, const std::shared_ptr<Model::Automaton::TotalVolume> &volume,
             std::uint32_t material)
{
    auto factory = std::make_shared<TestFactory>(&workspace);
    workspace.setOperationFactory(factory);
    factory->dialog = [material](FillOperation &op) {
        op.setMaterial(material);
        op.setAmount(1);
        op.end();
    };
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
    void stackTextsAndRedoEmptiedByNewOperation();
    void recordSelection_data();
    void recordSelection();
    void sharedKeysNeverCollide();
};

void TestUndoRedo::stackTextsAndRedoEmptiedByNewOperation()
{
    Core::Workspace workspace;
    auto &stack = workspace.getUndoRedo();
    auto undoSeen = std::make_shared<CallbackObserver>(nullptr);
    stack.addUndoObserver(undoSeen);
    stack.addRedoObserver(std::make_shared<CallbackObserver>(nullptr));
    QVERIFY(stack.undoTopName().isEmpty());
    QVERIFY(!stack.undo());
    QCOMPARE(undoSeen->count, 1);

    auto volume = makeVolume();
    runFill(workspace, volume, 3);
    QCOMPARE(stack.undoTopName(), QStringLiteral("Fill"));
    QVERIFY(stack.undo());
    QVERIFY(stack.undoTopName().isEmpty());
    QCOMPARE(stack.redoTopName(), QStringLiteral("Fill"));
    runFill(workspace, volume, 4);
    QCOMPARE(stack.redoCount(), std::size_t(0));
    QCOMPARE(stack.undoCount(), std::size_t(1));
    stack.clear();
    QCOMPARE(stack.undoCount(), std::size_t(0));
}

void TestUndoRedo::recordSelection_data()
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

void TestUndoRedo::recordSelection()
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

void TestUndoRedo::sharedKeysNeverCollide()
{
    Core::Workspace workspace;
    Core::Operations::TotalVolumeUndoRedoHelper a(&workspace, QStringLiteral("SharedKey"));
    Core::Operations::TotalVolumeUndoRedoHelper b(&workspace, QStringLiteral("SharedKey"));
    QVERIFY(a.getIndex() != b.getIndex());

    auto volumeA = makeVolume(1, 1, 1, 1);
    auto volumeB = makeVolume(1, 1, 1, 2);
    for (auto *helper : {&a, &b}) {
        auto &volume = helper == &a ? volumeA : volumeB;
        helper->saveState(volume.get());
        volume->lockCells()[0].material = 7;
        volume->unlockCells();
        helper->saveState(volume.get());
    }
    b.loadUndoState(volumeB.get());
    QCOMPARE(volumeB->materialIds()[0], 2u);
    a.loadUndoState(volumeA.get());
    QCOMPARE(volumeA->materialIds()[0], 1u);
    a.loadRedoState(volumeA.get());
    QCOMPARE(volumeA->materialIds()[0], 7u);
}

QTEST_GUILESS_MAIN(TestUndoRedo)
#include "tst_undoredo.moc"

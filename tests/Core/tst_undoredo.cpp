#include "Core/TestOperations.h"

#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

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
    void documentModifiedFollowsStackPosition_data();
    void documentModifiedFollowsStackPosition();
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
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<uint>("index");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QVector<uint>>("expected");
    const QVector<uint> untouched{9, 9};
    QTest::newRow("index 1 of two") << QByteArray("K 0 1 1\nK 1 2 2\n") << 1u << true << QVector<uint>{2, 2};
    QTest::newRow("matching key, other index skipped whole")
        << QByteArray("K 5 0 1 1 2 2\nK 1 3 3\n") << 1u << true << QVector<uint>{3, 3};
    QTest::newRow("key prefix is not the key") << QByteArray("KK 1 4 4\n") << 1u << false << untouched;
}

void TestUndoRedo::recordSelection()
{
    QFETCH(QByteArray, content);
    QFETCH(uint, index);
    QFETCH(bool, loaded);
    QFETCH(QVector<uint>, expected);
    QTemporaryDir dir;
    QFile file(dir.filePath("state.temp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    auto volume = makeVolume(1, 1, 2, 9);
    QCOMPARE(Core::Operations::TotalVolumeUndoRedoHelper::loadRecord(file.fileName(), "K", index, volume.get()),
             loaded);
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
    a.saveState(volumeA.get());
    b.saveState(volumeB.get());
    volumeA->lockCells()[0].material = 7;
    volumeA->unlockCells();
    a.loadUndoState(volumeA.get());
    QCOMPARE(volumeA->materialIds()[0], 1u);
}

void TestUndoRedo::documentModifiedFollowsStackPosition_data()
{
    // p: a new operation, u: undo, r: redo, s: saved, c: stacks cleared (New).
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("modified");
    QTest::newRow("fresh") << "" << false;
    QTest::newRow("one operation") << "p" << true;
    QTest::newRow("saved") << "ps" << false;
    QTest::newRow("saved, undone") << "psu" << true;
    QTest::newRow("saved, undone, redone") << "psur" << false;
    QTest::newRow("saved empty, operation undone") << "spu" << false;
    QTest::newRow("saved state dropped by a new operation") << "ppsuupp" << true;
    QTest::newRow("cleared") << "pc" << false;
}

void TestUndoRedo::documentModifiedFollowsStackPosition()
{
    QFETCH(QString, steps);
    QFETCH(bool, modified);
    QTemporaryDir dir;
    Core::Workspace workspace(dir.path());
    auto volume = makeVolume();
    workspace.getDocument().addObject(volume);
    for (const QChar step : steps) {
        switch (step.toLatin1()) {
        case 'p': runFill(workspace, volume, 2); break;
        case 'u': QVERIFY(workspace.getUndoRedo().undo()); break;
        case 'r': QVERIFY(workspace.getUndoRedo().redo()); break;
        case 's': workspace.markDocumentSaved(); break;
        case 'c': workspace.getUndoRedo().clear(); break;
        }
    }
    QCOMPARE(workspace.isDocumentModified(), modified);
}

QTEST_GUILESS_MAIN(TestUndoRedo)
#include "tst_undoredo.moc"

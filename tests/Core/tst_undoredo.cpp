#include "TestOperations.h"

#include "Core/Operations/TotalVolumeUndoRedoHelper.h"
#include "Model/Persistence/ArchiverRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestSupport;

class TestUndoRedo : public QObject
{
    Q_OBJECT

private slots:
    void stackTextsAndRedoEmptiedByNewOperation();
    void undoRestoresCellsRedoReappliesThem();
    void recordSelection_data();
    void recordSelection();
    void sharedKeysNeverCollide();
    void stateFilesCreatedAndRemoved();
    void readOnlyFolderFallsBackToTemp();

private:
    void runFill(Core::Workspace &workspace, const std::shared_ptr<Model::Automaton::TotalVolume> &volume,
                 std::uint32_t material);
};

void TestUndoRedo::runFill(Core::Workspace &workspace, const std::shared_ptr<Model::Automaton::TotalVolume> &volume,
                           std::uint32_t material)
{
    auto operation = std::make_shared<FillOperation>(&workspace);
    operation->setVolume(volume);
    operation->setMaterial(material);
    operation->setAmount(1);
    // Made current the way activate does, so finishing pushes it on the stack.
    workspace.getUndoRedo(); // keep the workspace alive in this scope
    struct Factory : Core::Operations::IOperationFactory
    {
        std::shared_ptr<Core::Operations::Operation> op;
        std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t) override { return op; }
    };
    auto factory = std::make_shared<Factory>();
    factory->op = operation;
    workspace.setOperationFactory(factory);
    workspace.activate(50);
    operation->end();
    workspace.releaseEndedOperations();
}

void TestUndoRedo::stackTextsAndRedoEmptiedByNewOperation()
{
    Core::Workspace workspace;
    auto undoSeen = std::make_shared<CallbackObserver>(nullptr);
    auto redoSeen = std::make_shared<CallbackObserver>(nullptr);
    workspace.getUndoRedo().addUndoObserver(undoSeen);
    workspace.getUndoRedo().addRedoObserver(redoSeen);
    QVERIFY(workspace.getUndoRedo().undoTopName().isEmpty());
    QVERIFY(!workspace.getUndoRedo().undo());
    QCOMPARE(undoSeen->count, 1);

    auto volume = makeVolume();
    runFill(workspace, volume, 3);
    QCOMPARE(workspace.getUndoRedo().undoTopName(), QStringLiteral("Fill"));
    QVERIFY(workspace.getUndoRedo().undo());
    QVERIFY(workspace.getUndoRedo().undoTopName().isEmpty());
    QCOMPARE(workspace.getUndoRedo().redoTopName(), QStringLiteral("Fill"));
    runFill(workspace, volume, 4);
    QCOMPARE(workspace.getUndoRedo().redoCount(), std::size_t(0));
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(1));
    workspace.getUndoRedo().clear();
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
}

void TestUndoRedo::undoRestoresCellsRedoReappliesThem()
{
    Core::Workspace workspace;
    auto volume = makeVolume(3, 2, 2);
    {
        auto *cells = volume->lockCells();
        cells[0].material = 1;
        volume->unlockCells();
    }
    const auto before = volume->materialIds();
    runFill(workspace, volume, 5);
    const auto after = volume->materialIds();
    QVERIFY(before != after);
    runFill(workspace, volume, 6); // a second operation on top changes nothing (all filled)
    QVERIFY(workspace.getUndoRedo().undo());
    QVERIFY(workspace.getUndoRedo().undo());
    QCOMPARE(volume->materialIds(), before);
    // Both arrays are restored.
    auto *next = volume->lockNextCells();
    QCOMPARE(next[0].material, 1u);
    QCOMPARE(next[1].material, 0u);
    volume->unlockNextCells();
    QVERIFY(workspace.getUndoRedo().redo());
    QCOMPARE(volume->materialIds(), after);
}

void TestUndoRedo::recordSelection_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<uint>("index");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QVector<uint>>("expected");
    QTest::newRow("index 1 of two") << QByteArray("K 0 1 1\nK 1 2 2\n") << "K" << 1u << true << QVector<uint>{2, 2};
    QTest::newRow("index 0 of two") << QByteArray("K 0 1 1\nK 1 2 2\n") << "K" << 0u << true << QVector<uint>{1, 1};
    QTest::newRow("matching key, other index skipped whole")
        << QByteArray("K 5 0 1 1 2 2\nK 1 3 3\n") << "K" << 1u << true << QVector<uint>{3, 3};
    QTest::newRow("other key") << QByteArray("L 1 4 4\n") << "K" << 1u << false << QVector<uint>{9, 9};
    QTest::newRow("short record leaves cells") << QByteArray("K 1 4\n") << "K" << 1u << false << QVector<uint>{9, 9};
    QTest::newRow("garbage") << QByteArray("\x01\x02 zz\n\nK x 1 1\n") << "K" << 1u << false << QVector<uint>{9, 9};
    QTest::newRow("key prefix is not the key") << QByteArray("KK 1 4 4\n") << "K" << 1u << false << QVector<uint>{9, 9};
}

void TestUndoRedo::recordSelection()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(uint, index);
    QFETCH(bool, loaded);
    QFETCH(QVector<uint>, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("state.temp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    auto volume = makeVolume(1, 1, 2, 9);
    QCOMPARE(Core::Operations::TotalVolumeUndoRedoHelper::loadRecord(path, key, index, volume.get()), loaded);
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
    auto *cells = volumeA->lockCells();
    cells[0].material = 7;
    volumeA->unlockCells();
    a.loadUndoState(volumeA.get());
    QCOMPARE(volumeA->materialIds()[0], 1u);
}

void TestUndoRedo::stateFilesCreatedAndRemoved()
{
    QTemporaryDir dir;
    QString undo, redo;
    {
        Model::Persistence::ArchiverRegistry files(dir.path());
        undo = files.getUndoFileName();
        redo = files.getRedoFileName();
        QVERIFY(QFile::exists(undo));
        QVERIFY(QFile::exists(redo));
        QVERIFY(QFileInfo(undo).fileName().startsWith("undo"));
        QVERIFY(undo.endsWith(".temp"));
        QCOMPARE(QFileInfo(undo).fileName().mid(4), QFileInfo(redo).fileName().mid(4));
        Model::Persistence::ArchiverRegistry other(dir.path());
        QVERIFY(other.getUndoFileName() != undo);
    }
    QVERIFY(!QFile::exists(undo));
    QVERIFY(!QFile::exists(redo));
}

void TestUndoRedo::readOnlyFolderFallsBackToTemp()
{
    QTemporaryDir dir;
    {
        // A folder that does not exist refuses the files whatever the rights.
        Model::Persistence::ArchiverRegistry files(dir.filePath("missing/folder"));
        QVERIFY(files.getUndoFileName().startsWith(QDir::tempPath()));
        QVERIFY(QFile::exists(files.getUndoFileName()));
    }
    const QString readOnly = dir.filePath("ro");
    QVERIFY(QDir().mkdir(readOnly));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(readOnly + "/probe");
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QSKIP("running with rights that ignore folder permissions");
    }
    Model::Persistence::ArchiverRegistry files(readOnly);
    QVERIFY(!files.getUndoFileName().isEmpty());
    QVERIFY(files.getUndoFileName().startsWith(QDir::tempPath()));
    QVERIFY(QFile::exists(files.getRedoFileName()));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_GUILESS_MAIN(TestUndoRedo)
#include "tst_undoredo.moc"

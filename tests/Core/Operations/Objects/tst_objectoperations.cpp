#include "Core/TestOperations.h"

#include "Core/Operations/Objects/CopyObject.h"
#include "Core/Operations/Objects/DeleteObject.h"
#include "Core/Operations/Objects/MoveObject.h"
#include "Model/Automaton/MaterialUsage.h"
#include "Core/ProcessTable.h"
#include "Model/Document.h"

#include <QtTest>

using namespace Core::Operations;
using namespace TestSupport;

namespace {

struct Bench
{
    Bench()
    {
        workspace.setOperationFactory(std::make_shared<DialogFactory<Operation>>(&workspace, [this](std::uint32_t id) {
            std::shared_ptr<Operation> op;
            if (id == Core::ProcessTable::menuId(Core::ProcessKey::Move))
                op = std::make_shared<MoveObject>(&workspace);
            else if (id == Core::ProcessTable::menuId(Core::ProcessKey::Copy))
                op = std::make_shared<CopyObject>(&workspace);
            else if (id == Core::ProcessTable::menuId(Core::ProcessKey::Delete))
                op = std::make_shared<DeleteObject>(&workspace);
            return op;
        }));
        workspace.getDocument().addObject(volume);
        workspace.getDocument().addObject(other);
    }
    Core::Workspace workspace;
    std::shared_ptr<MessageLog> log = logMessages(workspace);
    std::shared_ptr<Model::Automaton::TotalVolume> volume = makeVolume(3, 3, 3, 1);
    std::shared_ptr<Model::Automaton::TotalVolume> other = makeVolume(2, 2, 2, 4);
};

} // namespace

class TestObjectOperations : public QObject
{
    Q_OBJECT

private slots:
    void moveAndCopy_data();
    void moveAndCopy();
    void deleteThenUndoRestoresTheSameObject();
    void deleteWaitsAndCancels();
    void usageSlabsMatchOneSlab();
};

void TestObjectOperations::moveAndCopy_data()
{
    QTest::addColumn<std::uint32_t>("id");
    QTest::addColumn<bool>("clicks");
    QTest::newRow("move typed") << Core::ProcessTable::menuId(Core::ProcessKey::Move) << false;
    QTest::newRow("move by clicks") << Core::ProcessTable::menuId(Core::ProcessKey::Move) << true;
    QTest::newRow("copy typed") << Core::ProcessTable::menuId(Core::ProcessKey::Copy) << false;
    QTest::newRow("copy by clicks") << Core::ProcessTable::menuId(Core::ProcessKey::Copy) << true;
}

void TestObjectOperations::moveAndCopy()
{
    QFETCH(std::uint32_t, id);
    QFETCH(bool, clicks);
    Bench b;
    const bool copy = id == Core::ProcessTable::menuId(Core::ProcessKey::Copy);
    b.workspace.getSelection().select(b.volume);
    b.workspace.activate(id);
    const Util::Vector3D expected = clicks ? Util::Vector3D(3, 4, 0) : Util::Vector3D(10, 0, 0);
    if (clicks) {
        auto &pick = b.workspace.getPickState();
        pick.leftClick(QPoint(1, 1), Util::Vector3D(1, 1, 0));
        pick.mouseMove(QPoint(2, 2), Util::Vector3D(2, 2, 0));
        pick.mouseMove(QPoint(3, 3), Util::Vector3D(3, 2, 0));
        pick.leftClick(QPoint(4, 4), Util::Vector3D(4, 5, 0));
    } else {
        b.workspace.getConsoleInput().processLine(QStringLiteral("10, 0, 0"));
    }
    QVERIFY(!b.workspace.getCurrentOperation());
    QCOMPARE(b.log->lines.last(), copy ? QStringLiteral("Copy: Object(s) copied") : QStringLiteral("Move: Object(s) moved"));
    const auto objects = b.workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), copy ? 3 : 2);
    QVERIFY(!b.volume->isPreviewing());
    if (copy) {
        QCOMPARE(b.volume->getPosition(), Util::Vector3D());
        auto clone = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.last());
        QVERIFY(clone->getObjectId() != b.volume->getObjectId());
        QCOMPARE(clone->getPosition(), expected);
        QVERIFY(!clone->isPreviewing());
    } else {
        QCOMPARE(b.volume->getPosition(), expected);
    }
    QVERIFY(b.workspace.getUndoRedo().undo());
    QCOMPARE(b.volume->getPosition(), Util::Vector3D());
    QCOMPARE(b.workspace.getDocument().getAllObjects().size(), 2);
    b.workspace.getUndoRedo().redo();
    QCOMPARE(b.workspace.getDocument().getAllObjects().size(), copy ? 3 : 2);
    QCOMPARE(b.volume->getPosition(), copy ? Util::Vector3D() : expected);
}

void TestObjectOperations::deleteThenUndoRestoresTheSameObject()
{
    Bench b;
    const auto before = b.workspace.getDocument().getAllObjects();
    b.workspace.getSelection().select(b.volume);
    b.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Delete));
    QCOMPARE(b.log->lines.last(), QStringLiteral("Delete: objects deleted."));
    QCOMPARE(b.workspace.getDocument().getAllObjects(), QList<std::shared_ptr<Model::Object>>({b.other}));
    QVERIFY(b.workspace.getUndoRedo().undo());
    // The same objects, ids and places.
    QCOMPARE(b.workspace.getDocument().getAllObjects(), before);
    QCOMPARE(b.workspace.getDocument().findObject(b.volume->getObjectId()), std::shared_ptr<Model::Object>(b.volume));
    b.workspace.getUndoRedo().redo();
    QCOMPARE(b.workspace.getDocument().getAllObjects().size(), 1);
}

void TestObjectOperations::deleteWaitsAndCancels()
{
    Bench b;
    b.workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Delete));
    b.workspace.getConsoleInput().processLine(QString());
    QCOMPARE(b.log->lines.last(), QStringLiteral("Delete: Select the objects to be deleted and press Return/Enter"));
    QVERIFY(b.workspace.getSelection().isSelectionMode());
    b.workspace.cancelCurrent();
    QCOMPARE(b.log->lines.last(), QStringLiteral("Delete: Operation canceled."));
    QVERIFY(!b.workspace.getCurrentOperation());
    QCOMPARE(b.workspace.getDocument().getAllObjects().size(), 2);
}

void TestObjectOperations::usageSlabsMatchOneSlab()
{
    std::vector<std::uint32_t> ids(13 * 5 * 4);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = std::uint32_t(i % 7 < 3 ? 0 : i % 5 + 1);
    Model::Automaton::TotalVolume volume(13, 5, 4, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    Model::Automaton::MaterialUsage::Counts expected;
    for (std::uint32_t id : ids)
        if (id != 0)
            ++expected[id];
    QCOMPARE(Model::Automaton::MaterialUsage::count(volume, 1), expected);
    QCOMPARE(Model::Automaton::MaterialUsage::count(volume, 4), expected);
}

QTEST_GUILESS_MAIN(TestObjectOperations)
#include "tst_objectoperations.moc"

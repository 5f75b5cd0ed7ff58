#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "TestOperations.h"

#include <QSet>
#include <QtTest>

using Core::ProcessKey;
using Core::ProcessTable;
using Core::BatchRun::ProcessData;
using Model::Automaton::TotalVolume;

Q_DECLARE_METATYPE(ProcessKey)

namespace {

// Builds the kind's bare operation under any id; its observer plays an
// options dialog accepted with the step's values.
class TableFactory : public Core::Operations::IOperationFactory
{
public:
    TableFactory(Core::Workspace *ws, const ProcessTable::Kind &kind, const ProcessData &step)
        : workspace(ws), kind(kind), step(step)
    {
    }
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t) override
    {
        auto operation = kind.makeOperation(workspace);
        operation->setObserver(std::make_shared<TestSupport::CallbackObserver>([this] {
            auto current = workspace->getCurrentOperation();
            kind.configure(*current, step);
            // A new volume is made on the step after the options; a process runs at once.
            if (kind.makesVolume)
                current->step();
            else
                current->end();
        }));
        return operation;
    }

private:
    Core::Workspace *workspace;
    const ProcessTable::Kind &kind;
    const ProcessData &step;
};

// 8 x 8 x 24 cells: silicon below z = 14, two cells of oxide over the half
// x < 4, a copper pad (material 4) on the oxide, empty above; every
// process finds something of its own to work on.
std::shared_ptr<TotalVolume> stack()
{
    return TestSupport::volumeFrom(8, 8, 24, [](auto x, auto y, auto z) {
        return z < 14 ? 1u : z < 16 && x < 4 ? 3u : z == 16 && x > 0 && x < 3 && y > 2 && y < 6 ? 4u : 0u;
    });
}

} // namespace

class TestProcessTable : public QObject
{
    Q_OBJECT

private slots:
    void tableIsConsistent();
    void menuAndBatchAgree_data();
    void menuAndBatchAgree();
};

// Every key has exactly one row, and no two rows share a menu id or a list
// code: the factory and the process lists would pick one of them at random.
void TestProcessTable::tableIsConsistent()
{
    QSet<int> keys;
    QSet<std::uint32_t> menuIds;
    QSet<std::int32_t> codes;
    for (const ProcessTable::Kind &kind : ProcessTable::kinds()) {
        QVERIFY2(!keys.contains(int(kind.key)), qPrintable(kind.listName + kind.menuText));
        keys << int(kind.key);
        if (kind.menuId) {
            QVERIFY2(!menuIds.contains(kind.menuId), qPrintable(kind.menuText));
            menuIds << kind.menuId;
            QVERIFY(!kind.menuText.isEmpty());
        }
        if (kind.listCode != ProcessTable::noListCode) {
            QVERIFY2(!codes.contains(kind.listCode), qPrintable(kind.listName));
            codes << kind.listCode;
            QVERIFY2(kind.runStep, qPrintable(kind.listName));
            QCOMPARE(ProcessTable::byListCode(kind.listCode), &kind);
        }
        // A kind that runs from the menu and from a list can be configured from a step.
        if (kind.isBuilt() && kind.listCode != ProcessTable::noListCode)
            QVERIFY2(kind.configure, qPrintable(kind.listName));
    }
    QCOMPARE(keys.size(), int(ProcessKey::DeepRie) + 1);
    // The nineteen codes of process lists, 0 to 18.
    QCOMPARE(codes.size(), 19);
    for (std::int32_t code = 0; code < 19; ++code)
        QVERIFY(codes.contains(code));
    QCOMPARE(ProcessTable::listName(19), QStringLiteral("Unknown process"));
    QCOMPARE(ProcessTable::listName(-5), QStringLiteral("Unknown process"));
    QVERIFY(!ProcessTable::byMenuId(0));
    QVERIFY(!ProcessTable::byMenuId(32));
}

void TestProcessTable::menuAndBatchAgree_data()
{
    QTest::addColumn<ProcessKey>("key");
    for (const ProcessTable::Kind &kind : ProcessTable::kinds()) {
        if (kind.isBuilt() && kind.listCode != ProcessTable::noListCode)
            QTest::newRow(qPrintable(kind.listName)) << kind.key;
    }
}

// The same step from the menu (operation, default dialog values, the whole
// lifecycle) and from a process list gives the same cells and records the
// same operation number; the menu path's undo entry carries the kind's name.
void TestProcessTable::menuAndBatchAgree()
{
    QFETCH(ProcessKey, key);
    const ProcessTable::Kind &kind = ProcessTable::kind(key);
    ProcessData step = ProcessTable::defaultStep(key);
    if (kind.makesVolume) {
        // The dialog's 100 x 100 x 80 would do as well, only slower.
        for (const char *name : {"Volume Size X", "Volume Size Y", "Substrate Size X", "Substrate Size Y"})
            step.setParameter(QString::fromLatin1(name), 8u, true);
        step.setParameter(QStringLiteral("Volume Size Z"), 24u, true);
        step.setParameter(QStringLiteral("Substrate Size Z"), 4u, true);
    }

    Core::Workspace menuSide;
    auto menuVolume = stack();
    if (!kind.makesVolume) {
        menuSide.getDocument().addObject(menuVolume);
        menuSide.getSelection().select(menuVolume);
    }
    menuSide.setOperationFactory(std::make_shared<TableFactory>(&menuSide, kind, step));
    menuSide.activate(kind.menuId ? kind.menuId : kind.operationId);
    QVERIFY(!menuSide.getCurrentOperation());
    // A run that changed nothing leaves the undo stack alone.
    const bool unchanged = !kind.makesVolume && menuVolume->materialIds() == stack()->materialIds();
    QCOMPARE(menuSide.getUndoRedo().undoTopName(), unchanged ? QString() : kind.operationName);
    if (kind.makesVolume) {
        QCOMPARE(menuSide.getDocument().getAllObjects().size(), 1);
        menuVolume = std::dynamic_pointer_cast<TotalVolume>(menuSide.getDocument().getAllObjects().first());
    }

    Core::Workspace batchSide;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &batchSide;
    if (!kind.makesVolume) {
        context.volume = stack();
        batchSide.getDocument().addObject(context.volume);
    }
    QCOMPARE(Core::BatchRun::BatchStepExecutor().execute(step, context), int(Core::BatchRun::BatchStepExecutor::Done));
    QVERIFY(context.volume);

    QCOMPARE(context.volume->materialIds(), menuVolume->materialIds());
    QCOMPARE(batchSide.lastOperationOn(context.volume->getObjectId()), menuSide.lastOperationOn(menuVolume->getObjectId()));
    if (!kind.makesVolume) {
        QCOMPARE(menuSide.lastOperationOn(menuVolume->getObjectId()), kind.operationId);
        QVERIFY(menuVolume->materialIds() != stack()->materialIds() || key == ProcessKey::Planarization
                || key == ProcessKey::SpinCoating || key == ProcessKey::Photolithography);
    }
}

QTEST_GUILESS_MAIN(TestProcessTable)
#include "tst_processtable.moc"

#include "Core/TestOperations.h"

#include "Core/Operations/Lifecycle/Operation.h"

#include <QtTest>

using namespace TestSupport;

class TestWorkspace : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void selectionStep();
    void secondActivationCancelsFirst();
    void endBeforeReadyCancels();

private:
    std::unique_ptr<Core::Workspace> workspace;
    std::shared_ptr<MessageLog> log;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
};

void TestWorkspace::init()
{
    workspace = std::make_unique<Core::Workspace>();
    workspace->setOperationFactory(std::make_shared<TestFactory>(workspace.get()));
    log = logMessages(*workspace);
    volume = makeVolume();
    workspace->getDocument().addObject(volume);
}

// Enter/Return re-asks until a volume is picked; the first picked wins.
void TestWorkspace::selectionStep()
{
    auto first = makeVolume();
    workspace->getDocument().addObject(first);
    workspace->activate(50);
    QVERIFY(workspace->getSelection().isSelectionMode());
    workspace->getConsoleInput().processLine(QString());
    workspace->getConsoleInput().processLine(QStringLiteral("anything"));
    const QString prompt = QStringLiteral("Fill: Select a cell volume and press Enter/Return.");
    QCOMPARE(log->lines, QStringList({prompt, prompt, prompt}));
    QVERIFY(workspace->getSelection().isSelectionMode());
    workspace->getSelection().togglePicked(first->getObjectId());
    workspace->getSelection().togglePicked(volume->getObjectId());
    workspace->getConsoleInput().processLine(QString());
    auto operation = std::dynamic_pointer_cast<FillOperation>(workspace->getCurrentOperation());
    QVERIFY(operation);
    QCOMPARE(operation->getVolume(), first);
    QVERIFY(workspace->getSelection().getSelectedObjects().isEmpty());
    QVERIFY(!workspace->getSelection().isSelectionMode());
    QVERIFY(!first->isSelected());
    QCOMPARE(log->lines.last(), QStringLiteral("Fill: Cell volume selected."));
    QCOMPARE(operation->getState(), 1u);
}

void TestWorkspace::secondActivationCancelsFirst()
{
    workspace->activate(50);
    auto first = workspace->getCurrentOperation();
    workspace->activate(51);
    auto current = workspace->getCurrentOperation();
    QVERIFY(current && current != first);
    QCOMPARE(log->lines.at(1), QStringLiteral("Fill: Operation canceled."));
    QCOMPARE(workspace->getConsoleInput().getRequester(), current.get());
}

void TestWorkspace::endBeforeReadyCancels()
{
    workspace->getSelection().setSelectionMode(true);
    workspace->getSelection().togglePicked(volume->getObjectId());
    workspace->activate(50);
    auto operation = std::dynamic_pointer_cast<FillOperation>(workspace->getCurrentOperation());
    operation->setMaterial(3);
    operation->end();
    QCOMPARE(log->lines.last(), QStringLiteral("Fill: Operation canceled."));
    QVERIFY(!workspace->getCurrentOperation());
    QCOMPARE(workspace->getUndoRedo().undoCount(), std::size_t(0));
    QCOMPARE(volume->materialIds(), std::vector<std::uint32_t>(8, 0u));
}

QTEST_GUILESS_MAIN(TestWorkspace)
#include "tst_workspace.moc"

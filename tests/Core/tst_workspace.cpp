#include "Core/TestOperations.h"

#include "Core/ConsoleInput.h"
#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"
#include "Core/Operations/Film/PlanarizationOperation.h"
#include "Core/Operations/Film/SpinCoatingOperation.h"
#include "Core/Operations/Lifecycle/Operation.h"

#include <QtTest>

using namespace Core::Operations;
using namespace TestSupport;
using Maker = std::function<std::shared_ptr<VolumeProcessOperation>(Core::Workspace *)>;

namespace {

template <class Op>
Maker make()
{
    return [](Core::Workspace *workspace) { return std::make_shared<Op>(workspace); };
}

// Counts its steps.
class AskingOperation : public Core::Operations::Operation
{
public:
    explicit AskingOperation(Core::Workspace *ws) : Operation(ws, QStringLiteral("Ask"), 60) {}
    void step() override { ++steps; }
    void end() override {}
    int steps = 0;
};

} // namespace

Q_DECLARE_METATYPE(Maker)

class TestWorkspace : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void selectionStep();
    void secondActivationCancelsFirst();
    void cancelInTheDialog_data();
    void cancelInTheDialog();
    void coordinates_data();
    void coordinates();

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

void TestWorkspace::cancelInTheDialog_data()
{
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<QString>("message");
    QTest::newRow("planarization") << make<PlanarizationOperation>() << "Planarization: Operation canceled!";
    QTest::newRow("spin coating") << make<SpinCoatingOperation>() << "Spin Coating: Operation canceled.";
    QTest::newRow("moore etching") << make<MooreNeighborhoodEtchingOperation>()
                                   << "Moore film deposition: Operation canceled.";
}

// Cancel ends the operation; a finish with options missing behaves as cancel.
void TestWorkspace::cancelInTheDialog()
{
    QFETCH(Maker, maker);
    QFETCH(QString, message);
    Core::Workspace workspace;
    auto volume = makeVolume(4, 4, 4, 1);
    const auto before = volume->materialIds();
    for (const bool half : {false, true}) {
        playDialogs<VolumeProcessOperation>(workspace, [half](VolumeProcessOperation &op) {
            if (half) {
                if (auto *planarization = dynamic_cast<PlanarizationOperation *>(&op))
                    planarization->setMaximumHeight(1); // the minimum is missing
                op.end();
            } else {
                op.cancel();
            }
        }, [&](std::uint32_t) { return maker(&workspace); });
        const auto log = logMessages(workspace);
        workspace.getSelection().select(volume);
        workspace.activate(1);
        QCOMPARE(log->lines.last(), message);
        QVERIFY(!workspace.getCurrentOperation());
        QCOMPARE(volume->materialIds(), before);
        QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
    }
}

void TestWorkspace::coordinates_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Util::Vector3D>("expected");
    QTest::newRow("mixed forms") << "1.5, -2, 3e2" << true << Util::Vector3D(1.5, -2, 300);
    QTest::newRow("blanks only") << "1 2 3" << false << Util::Vector3D();
    QTest::newRow("no z") << "1, 2" << false << Util::Vector3D();
    QTest::newRow("empty") << "" << false << Util::Vector3D();
}

// Typed in answer to a request: a failure says so (unless the line is
// empty), keeps the target and the request, and a later valid line still
// answers it.
void TestWorkspace::coordinates()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(Util::Vector3D, expected);
    Core::Workspace workspace;
    auto log = logMessages(workspace);
    auto &input = workspace.getConsoleInput();
    AskingOperation operation(&workspace);
    Util::Vector3D target(9, 9, 9);
    bool done = true;
    input.requestCoordinates(&operation, &target, &done);
    QVERIFY(!done);
    input.processLine(line);
    QCOMPARE(done, ok);
    QCOMPARE(operation.steps, ok ? 1 : 0);
    QCOMPARE(target, ok ? expected : Util::Vector3D(9, 9, 9));
    if (ok)
        return;
    const QString invalid = QStringLiteral("Invalid entry. Enter the x, y, z coordinates.");
    QCOMPARE(log->lines, line.isEmpty() ? QStringList() : QStringList{invalid});
    QCOMPARE(input.getRequestKind(), Core::ConsoleInput::Coordinates);
    input.processLine(QStringLiteral("1,2,3"));
    QCOMPARE(target, Util::Vector3D(1, 2, 3));
    QCOMPARE(operation.steps, 1);
}

QTEST_GUILESS_MAIN(TestWorkspace)
#include "tst_workspace.moc"

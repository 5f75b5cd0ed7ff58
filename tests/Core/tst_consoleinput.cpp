#include "Core/TestOperations.h"

#include "Core/ConsoleInput.h"
#include "Core/Operations/Lifecycle/Operation.h"

#include <QtTest>

using namespace TestSupport;

namespace {

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

class TestConsoleInput : public QObject
{
    Q_OBJECT

private slots:
    void coordinates_data();
    void coordinates();
};

void TestConsoleInput::coordinates_data()
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
void TestConsoleInput::coordinates()
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

QTEST_GUILESS_MAIN(TestConsoleInput)
#include "tst_consoleinput.moc"

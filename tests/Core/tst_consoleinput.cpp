#include "TestOperations.h"

#include "Core/ConsoleInput.h"
#include "Core/Operations/Operation.h"

#include <QtTest>

using namespace TestSupport;

namespace {

// Counts its steps and ends; re-asks on every step, like a repeated prompt.
class AskingOperation : public Core::Operations::Operation
{
public:
    explicit AskingOperation(Core::Workspace *ws) : Operation(ws, QStringLiteral("Ask"), 60) {}
    void step() override { ++steps; }
    void end() override { ++ends; }
    int steps = 0;
    int ends = 0;
};

} // namespace

class TestConsoleInput : public QObject
{
    Q_OBJECT

private slots:
    void coordinates_data();
    void coordinates();
    void textAnswerGoesToTarget();
    void enterWithoutRequestIsDropped();
    void newRequesterEndsPrevious();
    void emptyMessagesAreNotSent();
};

void TestConsoleInput::coordinates_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Util::Vector3D>("expected");
    QTest::newRow("mixed forms") << "1.5, -2, 3e2" << true << Util::Vector3D(1.5, -2, 300);
    QTest::newRow("text after z ignored") << "1, 2, 3 metres" << true << Util::Vector3D(1, 2, 3);
    QTest::newRow("no spaces") << "4,5,6" << true << Util::Vector3D(4, 5, 6);
    QTest::newRow("blanks only") << "1 2 3" << false << Util::Vector3D();
    QTest::newRow("no z") << "1, 2" << false << Util::Vector3D();
    QTest::newRow("letters") << "a, b, c" << false << Util::Vector3D();
    QTest::newRow("empty") << "" << false << Util::Vector3D();
}

// Parsed alone and typed in answer to a request: a failure says so (unless
// the line is empty), keeps the target and the request, and a later valid
// line still answers it.
void TestConsoleInput::coordinates()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(Util::Vector3D, expected);
    Util::Vector3D result;
    QCOMPARE(Core::ConsoleInput::parseCoordinates(line, result), ok);
    if (ok)
        QCOMPARE(result, expected);

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

void TestConsoleInput::textAnswerGoesToTarget()
{
    Core::Workspace workspace;
    AskingOperation operation(&workspace);
    QString answer;
    workspace.getConsoleInput().requestText(&operation, &answer);
    workspace.getConsoleInput().processLine(QStringLiteral("no"));
    QCOMPARE(answer, QStringLiteral("no"));
    QCOMPARE(operation.steps, 1);
    QVERIFY(!workspace.getConsoleInput().getRequester());
    QCOMPARE(workspace.getConsoleInput().getRequestKind(), Core::ConsoleInput::None);
}

void TestConsoleInput::enterWithoutRequestIsDropped()
{
    Core::Workspace workspace;
    AskingOperation operation(&workspace);
    workspace.getConsoleInput().processLine(QStringLiteral("hello"));
    workspace.getConsoleInput().processLine(QString());
    QCOMPARE(operation.steps, 0);
    workspace.getConsoleInput().waitForEnter(&operation);
    workspace.getConsoleInput().processLine(QStringLiteral("word"));
    QCOMPARE(operation.steps, 1);
    workspace.getConsoleInput().processLine(QString());
    QCOMPARE(operation.steps, 1);
}

void TestConsoleInput::newRequesterEndsPrevious()
{
    Core::Workspace workspace;
    AskingOperation first(&workspace);
    AskingOperation second(&workspace);
    workspace.getConsoleInput().waitForEnter(&first);
    workspace.getConsoleInput().waitForEnter(&first);
    QCOMPARE(first.ends, 0);
    QString text;
    workspace.getConsoleInput().requestText(&second, &text);
    QCOMPARE(first.ends, 1);
    QCOMPARE(workspace.getConsoleInput().getRequester(), &second);
}

void TestConsoleInput::emptyMessagesAreNotSent()
{
    Core::Workspace workspace;
    auto log = logMessages(workspace);
    workspace.getConsoleInput().setMessage(QString());
    workspace.getConsoleInput().setMessage(QStringLiteral("x"));
    QCOMPARE(log->lines, QStringList{QStringLiteral("x")});
}

QTEST_GUILESS_MAIN(TestConsoleInput)
#include "tst_consoleinput.moc"

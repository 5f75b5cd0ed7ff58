#include "Core/ConsoleInput.h"
#include "Core/Operations/Lifecycle/Operation.h"
#include "Core/Workspace.h"
#include "UI/Console/CommandConsole.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// Waits for Enter/Return, or for a text answer, and counts its steps.
class WaitingOperation : public Core::Operations::Operation
{
public:
    explicit WaitingOperation(Core::Workspace *ws) : Operation(ws, QStringLiteral("Wait"), 70) {}
    void step() override { ++steps; }
    void end() override {}
    int steps = 0;
    QString answer;
};

} // namespace

class TestCommandConsole : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup()
    {
        console.reset();
        workspace.reset();
    }
    void history_data();
    void history();
    void enterReachesWaitingOperation_data();
    void enterReachesWaitingOperation();
    void messagesAppearInOrder();

private:
    QLineEdit *line() const { return console->findChild<QLineEdit *>(QStringLiteral("linCommand")); }
    void typeAndEnter(const QString &text);
    std::unique_ptr<Core::Workspace> workspace;
    std::unique_ptr<Ui::Console::CommandConsole> console;
};

void TestCommandConsole::init()
{
    workspace = std::make_unique<Core::Workspace>();
    console = std::make_unique<Ui::Console::CommandConsole>(&workspace->getConsoleInput());
    console->show();
    console->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(console.get()));
}

void TestCommandConsole::typeAndEnter(const QString &text)
{
    line()->clear();
    QTest::keyClicks(line(), text);
    QTest::keyClick(line(), Qt::Key_Return);
}

void TestCommandConsole::history_data()
{
    // Steps: "t:x" types x and presses Return; "U" and "D" press Up and Down,
    // each followed by the text the input line must then show.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("a b c, Up four times") << QStringList{"t:a", "t:b", "t:c", "U", "U", "U", "U"}
                                          << QStringList{"c", "b", "a", "a"};
    QTest::newRow("a b c, Up Up Down Down Down")
        << QStringList{"t:a", "t:b", "t:c", "U", "U", "D", "D", "D"} << QStringList{"c", "b", "a", "b", ""};
    QTest::newRow("a new line becomes the newest")
        << QStringList{"t:a", "t:b", "U", "U", "t:c", "U", "U"} << QStringList{"b", "a", "c", "b"};
    QTest::newRow("empty lines are not remembered") << QStringList{"t:a", "t:", "U", "U"} << QStringList{"a", "a"};
}

void TestCommandConsole::history()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, shown);
    QStringList seen;
    for (const QString &step : steps) {
        if (step.startsWith(QLatin1String("t:"))) {
            typeAndEnter(step.mid(2));
            continue;
        }
        QTest::keyClick(line(), step == QLatin1String("U") ? Qt::Key_Up : Qt::Key_Down);
        seen << line()->text();
    }
    QCOMPARE(seen, shown);
}

void TestCommandConsole::enterReachesWaitingOperation_data()
{
    QTest::addColumn<int>("request"); // 0 none, 1 Enter, 2 text
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::newRow("no request: the line is echoed") << 0 << "hello" << "";
    QTest::newRow("no request, empty line: nothing echoed") << 0 << "" << "";
    QTest::newRow("bare Enter, waiting for Enter") << 1 << "" << "";
    QTest::newRow("text request") << 2 << "wafer 2" << "wafer 2";
}

void TestCommandConsole::enterReachesWaitingOperation()
{
    QFETCH(int, request);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    WaitingOperation operation(workspace.get());
    if (request == 2)
        workspace->getConsoleInput().requestText(&operation, &operation.answer);
    else if (request == 1)
        workspace->getConsoleInput().waitForEnter(&operation);
    typeAndEnter(typed);
    QCOMPARE(operation.steps, request ? 1 : 0);
    QCOMPARE(operation.answer, answer);
    QCOMPARE(workspace->getConsoleInput().getRequester(), nullptr);
    QVERIFY(line()->text().isEmpty());
    if (!request) {
        QCOMPARE(console->outputText(), typed);
        QCOMPARE(workspace->getConsoleInput().getMessage(), QString());
    }
}

void TestCommandConsole::messagesAppearInOrder()
{
    auto &input = workspace->getConsoleInput();
    input.setMessage(QStringLiteral("CVD: Select a cell volume and press Enter/Return."));
    input.setMessage(QString());
    typeAndEnter(QStringLiteral("typed"));
    input.setMessage(QStringLiteral("CVD: Operation canceled."));
    QCOMPARE(console->outputText().split(QLatin1Char('\n')),
             QStringList({"CVD: Select a cell volume and press Enter/Return.", "typed", "CVD: Operation canceled."}));
    // Once the console is gone the input writes to nobody, without harm.
    console.reset();
    input.setMessage(QStringLiteral("after"));
    QCOMPARE(input.getMessage(), QStringLiteral("after"));
}

QTEST_MAIN(TestCommandConsole)
#include "tst_commandconsole.moc"

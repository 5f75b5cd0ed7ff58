#include "CommandConsole.h"

#include "ConsoleObserver.h"
#include "Core/ConsoleInput.h"
#include "ui_CommandConsole.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace Ui {
namespace Console {

CommandConsole::CommandConsole(Core::ConsoleInput *input, QWidget *parent)
    : QWidget(parent)
    , form(std::make_unique<CommandConsoleForm>())
    , consoleInput(input)
{
    form->setupUi(this);
    // The form places its contents at a fixed size; a layout lets them grow
    // with the window, which starts tall enough for about ten lines.
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->addWidget(form->layoutWidget);
    const int line = form->plainTextEdit->fontMetrics().lineSpacing();
    resize(std::max(width(), 560), visibleLines * line + form->linCommand->sizeHint().height() + 40);

    upShortcut = new QShortcut(QKeySequence(Qt::Key_Up), this);
    downShortcut = new QShortcut(QKeySequence(Qt::Key_Down), this);
    connect(upShortcut, &QShortcut::activated, this, &CommandConsole::upArrowPressed);
    connect(downShortcut, &QShortcut::activated, this, &CommandConsole::downArrowPressed);
    connect(form->linCommand, &QLineEdit::returnPressed, this, &CommandConsole::enterPressed);

    observer = std::make_shared<ConsoleObserver>(consoleInput);
    consoleInput->addMessageObserver(observer);
    connect(observer.get(), &ConsoleObserver::messageWritten, this, &CommandConsole::writeMessage);
}

CommandConsole::~CommandConsole()
{
    consoleInput->removeMessageObserver(observer);
}

void CommandConsole::setDocumentName(const QString &name)
{
    setWindowTitle(name.isEmpty() ? tr("Console") : tr("Console - %1").arg(name));
}

QString CommandConsole::outputText() const
{
    return form->plainTextEdit->toPlainText();
}

void CommandConsole::enterPressed()
{
    const QString line = form->linCommand->text();
    if (line.isEmpty()) {
        consoleInput->processLine(QString());
        return;
    }
    history.prepend(line);
    historyCursor = 0;
    form->plainTextEdit->appendPlainText(line);
    form->linCommand->clear();
    consoleInput->processLine(line);
}

void CommandConsole::upArrowPressed()
{
    if (!cursorAtEntry())
        return;
    form->linCommand->setText(history.at(historyCursor));
    // Past the oldest entry the cursor stays on it.
    if (historyCursor + 1 < history.size())
        ++historyCursor;
}

void CommandConsole::downArrowPressed()
{
    if (!cursorAtEntry())
        return;
    if (historyCursor == 0) {
        form->linCommand->clear();
        return;
    }
    form->linCommand->setText(history.at(historyCursor));
    --historyCursor;
}

void CommandConsole::writeMessage(const QString &message)
{
    form->plainTextEdit->appendPlainText(message);
}

void CommandConsole::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closedByUser();
}

} // namespace Console
} // namespace Ui

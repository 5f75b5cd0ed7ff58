#pragma once

#include <QStringList>
#include <QWidget>

#include <memory>

class QShortcut;

namespace Core {
class ConsoleInput;
}

namespace Ui {

class CommandConsoleForm;

namespace Console {

class ConsoleObserver;

// The console tool window: shows what operations write and passes typed lines
// (or a bare Enter/Return) to the console input. Up and Down recall earlier lines.
class CommandConsole : public QWidget
{
    Q_OBJECT

public:
    explicit CommandConsole(Core::ConsoleInput *input, QWidget *parent = nullptr);
    ~CommandConsole() override;

    // Lines of output the window shows at its first size.
    static constexpr int visibleLines = 10;

    // Titles the window after its main window's document (when several
    // windows are open); empty: plain "Console".
    void setDocumentName(const QString &name);

    // The output pane's text, one line per message or echoed entry.
    QString outputText() const;

signals:
    // The user closed the window from its title bar.
    void closedByUser();

public slots:
    void enterPressed();
    void upArrowPressed();
    void downArrowPressed();
    void writeMessage(const QString &message);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool cursorAtEntry() const { return historyCursor >= 0 && historyCursor < history.size(); }

    std::unique_ptr<CommandConsoleForm> form;
    QShortcut *upShortcut = nullptr;
    QShortcut *downShortcut = nullptr;
    QStringList history; // newest first
    int historyCursor = -1;
    Core::ConsoleInput *consoleInput;
    std::shared_ptr<ConsoleObserver> observer;
};

} // namespace Console
} // namespace Ui

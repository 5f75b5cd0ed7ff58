#pragma once

#include "Core/Workspace.h"

#include <QObject>

#include <memory>

namespace Model {
class Document;
}

namespace Ui {

class MainWindow;

namespace Console {
class CommandConsole;
}

namespace Observers {
class UndoRedoObserver;
}

// Owns the window's workspace and console, and turns menu ids, Enter/Return,
// Escape and the undo/redo stacks' changes into workspace calls and window updates.
class MainWindowPresenter : public QObject
{
    Q_OBJECT

public:
    // `stateFolder`: where the undo/redo state files go (empty: the working folder).
    explicit MainWindowPresenter(MainWindow *mainWindow, const QString &stateFolder = QString());
    ~MainWindowPresenter() override;

    MainWindow *getMainWindow() const { return mainWindow; }
    Core::Workspace *getWorkspace() { return &workspace; }
    Model::Document *getDocument() { return &workspace.getDocument(); }
    Core::Selection *getSelection() { return &workspace.getSelection(); }
    Console::CommandConsole *getConsole() const { return console.get(); }

    void undo();
    void redo();
    // Asks first; on Ok the scene, stacks, requests and file name are reset.
    // True when the user confirmed and the model was reset.
    bool newDocument();
    void setSelectionMode(bool mode);
    void showConsole(bool show);
    // Places and shows the console once the main window is on screen, so
    // that the window manager stacks the tool window above it.
    void showConsoleFirstTime();

    // The document's file name without its folder, or "Untitled".
    QString documentName();
    // For a changed document asks "Save changes to <name>?": Save runs the
    // save operation, Discard drops the changes. False when the user
    // cancelled or the save did not happen (its failure is reported by the
    // save itself); true at once for an unchanged document.
    bool maybeSaveChanges();

public slots:
    void undoStackChanged();
    void redoStackChanged();
    void operationActivated(const QString &operationId);
    void enterPressed();
    void cancelPressed();

private:
    void placeConsole();

    MainWindow *mainWindow;
    Core::Workspace workspace;
    std::unique_ptr<Console::CommandConsole> console;
    std::shared_ptr<Observers::UndoRedoObserver> undoObserver;
    std::shared_ptr<Observers::UndoRedoObserver> redoObserver;
};

} // namespace Ui

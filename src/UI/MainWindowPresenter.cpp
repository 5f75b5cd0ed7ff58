#include "MainWindowPresenter.h"

#include "Console/CommandConsole.h"
#include "MainWindow.h"
#include "Observers/UndoRedoObserver.h"
#include "OperationFactory.h"
#include "Util/Logging.h"

#include <QMessageBox>
#include <QScreen>

namespace Ui {

MainWindowPresenter::MainWindowPresenter(MainWindow *window, const QString &stateFolder)
    : QObject(window)
    , mainWindow(window)
    , workspace(stateFolder)
{
    console = std::make_unique<Console::CommandConsole>(&workspace.getConsoleInput(), mainWindow);
    console->setWindowFlags(Qt::Tool);
    placeConsole();
    console->show();

    undoObserver = std::make_shared<Observers::UndoRedoObserver>();
    redoObserver = std::make_shared<Observers::UndoRedoObserver>();
    workspace.getUndoRedo().addUndoObserver(undoObserver);
    workspace.getUndoRedo().addRedoObserver(redoObserver);
    connect(undoObserver.get(), &Observers::UndoRedoObserver::stackChanged, this,
            &MainWindowPresenter::undoStackChanged);
    connect(redoObserver.get(), &Observers::UndoRedoObserver::stackChanged, this,
            &MainWindowPresenter::redoStackChanged);

    workspace.setOperationFactory(std::make_shared<OperationFactory>(this));
}

MainWindowPresenter::~MainWindowPresenter()
{
    // The operations may still write to the console while the workspace goes.
    console.reset();
}

void MainWindowPresenter::placeConsole()
{
    // Near the bottom right corner of the screen that shows the main window.
    const QScreen *screen = mainWindow->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const int x = int(0.9 * (available.width() - console->width()));
    const int y = int(0.9 * (available.height() - console->height()));
    console->move(available.left() + x, available.top() + y);
}

void MainWindowPresenter::undoStackChanged()
{
    mainWindow->setUndoText(workspace.getUndoRedo().undoTopName());
}

void MainWindowPresenter::redoStackChanged()
{
    mainWindow->setRedoText(workspace.getUndoRedo().redoTopName());
}

void MainWindowPresenter::operationActivated(const QString &operationId)
{
    workspace.releaseEndedOperations();
    bool ok = false;
    const std::uint32_t id = operationId.toUInt(&ok, 10);
    if (!ok) {
        qCWarning(lcOperation) << "Not an operation id:" << operationId;
        return;
    }
    workspace.activate(id);
}

void MainWindowPresenter::enterPressed()
{
    workspace.releaseEndedOperations();
    console->enterPressed();
}

void MainWindowPresenter::cancelPressed()
{
    workspace.releaseEndedOperations();
    workspace.cancelCurrent();
    workspace.getSelection().clearSelection();
    workspace.notifyOperationEnded();
}

void MainWindowPresenter::undo()
{
    workspace.releaseEndedOperations();
    workspace.getUndoRedo().undo();
}

void MainWindowPresenter::redo()
{
    workspace.releaseEndedOperations();
    workspace.getUndoRedo().redo();
}

bool MainWindowPresenter::newDocument()
{
    workspace.releaseEndedOperations();
    const auto answer = QMessageBox::information(mainWindow, tr("Create new document"),
                                                 tr("This will erase all data. Continue?"),
                                                 QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return false;
    workspace.cancelCurrent();
    workspace.getSelection().clearSelection();
    workspace.getUndoRedo().clear();
    workspace.getConsoleInput().resetRequest();
    workspace.getPickState().clear();
    workspace.getDocument().reset();
    workspace.clearVolumeMaps();
    workspace.notifyOperationEnded();
    return true;
}

void MainWindowPresenter::setSelectionMode(bool mode)
{
    if (workspace.getSelection().isSelectionMode() != mode)
        workspace.getSelection().setSelectionMode(mode);
}

void MainWindowPresenter::showConsole(bool show)
{
    console->setVisible(show);
}

} // namespace Ui

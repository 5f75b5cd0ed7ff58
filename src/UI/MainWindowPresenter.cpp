#include "MainWindowPresenter.h"

#include "Console/CommandConsole.h"
#include "Core/Operations/Document/SaveDocumentOperation.h"
#include "Core/ProcessTable.h"
#include "MainWindow.h"
#include "Observers/UndoRedoObserver.h"
#include "OperationFactory.h"
#include "Util/Logging.h"

#include <QFileInfo>
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

void MainWindowPresenter::showConsoleFirstTime()
{
    placeConsole();
    console->show();
}

QString MainWindowPresenter::documentName()
{
    const QString fileName = workspace.getDocument().getFileName();
    return fileName.isEmpty() ? tr("Untitled") : QFileInfo(fileName).fileName();
}

bool MainWindowPresenter::maybeSaveChanges()
{
    if (!workspace.isDocumentModified())
        return true;
    const auto answer = QMessageBox::question(mainWindow, tr("Kestrum"),
                                              tr("Save changes to %1?").arg(documentName()),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                              QMessageBox::Save);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save)
        return false;
    workspace.releaseEndedOperations();
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::Save));
    return !workspace.isDocumentModified();
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
    if (Core::Workspace::isBusy())
        return;
    workspace.releaseEndedOperations();
    bool ok = false;
    const std::uint32_t id = operationId.toUInt(&ok, 10);
    if (!ok) {
        qCWarning(lcOperation) << "Not an operation id:" << operationId;
        return;
    }
    // An operation this program does not build must not cancel the one that
    // waits (its action is disabled; this covers a call by id).
    const auto factory = workspace.getOperationFactory();
    if (factory && !factory->canCreate(id)) {
        qCInfo(lcOperation) << "Operation" << id << "is not available in this version";
        return;
    }
    workspace.activate(id);
}

void MainWindowPresenter::enterPressed()
{
    if (Core::Workspace::isBusy())
        return;
    workspace.releaseEndedOperations();
    console->enterPressed();
}

void MainWindowPresenter::cancelPressed()
{
    if (Core::Workspace::isBusy())
        return;
    workspace.releaseEndedOperations();
    workspace.cancelCurrent();
    // With nothing waiting, Escape still leaves selection mode.
    workspace.getSelection().setSelectionMode(false);
    workspace.getSelection().clearSelection();
    workspace.notifyOperationEnded();
}

void MainWindowPresenter::undo()
{
    if (Core::Workspace::isBusy())
        return;
    workspace.releaseEndedOperations();
    workspace.getUndoRedo().undo();
}

void MainWindowPresenter::redo()
{
    if (Core::Workspace::isBusy())
        return;
    workspace.releaseEndedOperations();
    workspace.getUndoRedo().redo();
}

bool MainWindowPresenter::newDocument()
{
    if (Core::Workspace::isBusy())
        return false;
    workspace.releaseEndedOperations();
    if (workspace.isDocumentModified()) {
        // The save question replaces the erase question.
        if (!maybeSaveChanges())
            return false;
    } else {
        const auto answer = QMessageBox::information(mainWindow, tr("Create new document"),
                                                     tr("This will erase all data. Continue?"),
                                                     QMessageBox::Ok | QMessageBox::Cancel);
        if (answer != QMessageBox::Ok)
            return false;
    }
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

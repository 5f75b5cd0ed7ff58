#include "DocumentSavedObserver.h"

#include "Model/Document.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"

namespace Ui {
namespace Observers {

DocumentSavedObserver::DocumentSavedObserver(MainWindow *window)
    : mainWindow(window)
{
}

void DocumentSavedObserver::notify()
{
    if (!mainWindow)
        return;
    mainWindow->setWindowTitle(titleFor(mainWindow->getPresenter()->getDocument()->getFileName()));
}

} // namespace Observers
} // namespace Ui

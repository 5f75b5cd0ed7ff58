#include "DocumentOpenedObserver.h"

#include "Core/Operations/Document/OpenDocumentOperation.h"
#include "Core/Workspace.h"
#include "Model/Document.h"
#include "Model/Persistence/DocumentReader.h"
#include "UI/LoadProgressDialog.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"

namespace Ui {
namespace Observers {

void DocumentOpenedObserver::notify()
{
    using Core::Operations::OpenDocumentOperation;

    const QString fileName = OpenDocumentOperation::rememberedFile();
    auto *window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    openedWindow = window;

    Model::Persistence::DocumentReader::Result result;
    {
        LoadProgressDialog progress(fileName);
        result = OpenDocumentOperation::loadDocument(*window->getPresenter()->getWorkspace(), fileName, &progress);
    }
    if (!result.ok)
        reportError(Model::Persistence::DocumentReader::errorTitle(), result.errorMessage, QString());

    window->setWindowTitle(titleFor(window->getPresenter()->getDocument()->getFileName()));
    window->showMaximized();
}

} // namespace Observers
} // namespace Ui

#pragma once

#include "DocumentFileDialogs.h"
#include "Util/IObserver.h"

#include <QPointer>

namespace Ui {

class MainWindow;

namespace Observers {

// Observer of the save operations: gives them the file chooser and the error
// box, and after a save puts the document's file name in the window title.
class DocumentSavedObserver : public Util::IObserver, public DocumentFileDialogs
{
public:
    explicit DocumentSavedObserver(MainWindow *mainWindow);

    void notify() override;

private:
    QPointer<MainWindow> mainWindow;
};

} // namespace Observers
} // namespace Ui

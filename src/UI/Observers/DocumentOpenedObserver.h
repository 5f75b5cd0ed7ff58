#pragma once

#include "DocumentFileDialogs.h"
#include "Util/IObserver.h"

#include <QPointer>

namespace Ui {

class MainWindow;

namespace Observers {

// Observer of the open operation: gives it the file chooser, and opens the
// chosen document in a new main window with its own presenter and workspace.
// The window is shown, maximized, whether or not the file could be read; a
// file that is no document is reported in the "Error reading from file" box
// and leaves the window empty.
class DocumentOpenedObserver : public Util::IObserver, public DocumentFileDialogs
{
public:
    void notify() override;

    // The window the last notify opened (it deletes itself when closed).
    MainWindow *getOpenedWindow() const { return openedWindow.data(); }

private:
    QPointer<MainWindow> openedWindow;
};

} // namespace Observers
} // namespace Ui

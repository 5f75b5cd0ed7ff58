#pragma once

#include "OptionsObserver.h"

#include <QPointer>

namespace Ui {
namespace Operations {
class ExtractModelDialog;
}

namespace Observers {

// Opens the model-extraction dialog for the current extraction, without
// waiting for it: the extraction runs from the dialog's buttons.
class RunModelExtractionObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    // A new extraction with both of its observers attached.
    static std::shared_ptr<Core::Operations::Operation> createOperation(Core::Workspace *workspace,
                                                                        QWidget *dialogParent);

    void notify() override;
    // Closes the open dialog, if any.
    void closeDialog();
    Operations::ExtractModelDialog *getDialog() const;

private:
    QPointer<Operations::ExtractModelDialog> dialog;
};

} // namespace Observers
} // namespace Ui

#include "RunModelExtractionObserver.h"

#include "Core/Operations/ModelExtraction/RunModelExtraction.h"
#include "Core/ProcessTable.h"
#include "DestroyModelExtractionDialogObserver.h"
#include "UI/Operations/ModelExtraction/ExtractModelDialog.h"

namespace Ui {
namespace Observers {

std::shared_ptr<Core::Operations::Operation> RunModelExtractionObserver::createOperation(Core::Workspace *workspace,
                                                                                         QWidget *dialogParent)
{
    auto operation = std::dynamic_pointer_cast<Core::Operations::RunModelExtraction>(
        Core::ProcessTable::kind(Core::ProcessKey::ModelExtraction).makeOperation(workspace));
    auto opener = std::make_shared<RunModelExtractionObserver>(workspace, dialogParent);
    operation->setObserver(opener);
    operation->setCloseDialogObserver(std::make_shared<DestroyModelExtractionDialogObserver>(opener));
    return operation;
}

void RunModelExtractionObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::RunModelExtraction>();
    if (!operation)
        return;
    closeDialog();
    dialog = new Operations::ExtractModelDialog(operation, parent);
    dialog->show();
}

Operations::ExtractModelDialog *RunModelExtractionObserver::getDialog() const
{
    return dialog.data();
}

void RunModelExtractionObserver::closeDialog()
{
    if (dialog)
        dialog->close();
}

} // namespace Observers
} // namespace Ui

#include "DestroyModelExtractionDialogObserver.h"

#include "RunModelExtractionObserver.h"

namespace Ui {
namespace Observers {

DestroyModelExtractionDialogObserver::DestroyModelExtractionDialogObserver(
    std::weak_ptr<RunModelExtractionObserver> dialogOpener)
    : opener(std::move(dialogOpener))
{
}

void DestroyModelExtractionDialogObserver::notify()
{
    if (const auto observer = opener.lock())
        observer->closeDialog();
}

} // namespace Observers
} // namespace Ui

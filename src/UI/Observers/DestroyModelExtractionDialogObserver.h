#pragma once

#include "Util/IObserver.h"

#include <memory>

namespace Ui {
namespace Observers {

class RunModelExtractionObserver;

// Closes the model-extraction dialog when the extraction is cancelled.
class DestroyModelExtractionDialogObserver : public Util::IObserver
{
public:
    explicit DestroyModelExtractionDialogObserver(std::weak_ptr<RunModelExtractionObserver> opener);

    void notify() override;

private:
    std::weak_ptr<RunModelExtractionObserver> opener;
};

} // namespace Observers
} // namespace Ui

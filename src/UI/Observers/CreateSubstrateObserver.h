#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the create-substrate dialog for the current create-substrate operation
// and hands the options over; a rejected dialog cancels the operation.
class CreateSubstrateObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

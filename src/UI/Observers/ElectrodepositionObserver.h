#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the electroplating dialog for the current electroplating operation
// and, on OK, hands the options over and finishes it. A cancelled dialog
// leaves the operation waiting.
class ElectrodepositionObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the isotropic deposition dialog for the current deposition operation
// and, on OK, hands the options over and finishes it. A cancelled dialog
// leaves the operation waiting.
class IsotropicFilmDepositionObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

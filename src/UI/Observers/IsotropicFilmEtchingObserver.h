#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the isotropic etching dialog for the current etching operation
// and, on OK, hands the options over and finishes it. A cancelled dialog
// leaves the operation waiting.
class IsotropicFilmEtchingObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the PVD dialog for the current directional deposition and, on OK,
// hands the options over and finishes it. A cancelled dialog leaves the
// operation waiting.
class AnisotropicFilmDepositionObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

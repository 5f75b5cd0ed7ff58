#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the oxidation options dialog for the current oxidation and, on OK,
// hands over the conversion and the chosen mode's values and finishes it. A
// cancelled dialog leaves the operation waiting.
class SiOxidationObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the doping options dialog for the current doping and, on OK, hands
// over depth, dopant type and silicon as the host, then finishes it.
class DopingOptionsObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

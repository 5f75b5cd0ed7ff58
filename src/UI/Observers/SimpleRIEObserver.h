#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the simple RIE options dialog for the current etch and, on OK, hands
// over depth, material and directions, then finishes it.
class SimpleRIEObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

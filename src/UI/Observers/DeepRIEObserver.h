#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the deep etch options dialog for the current etch and, on OK, hands
// over its options, then finishes it.
class DeepRIEObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

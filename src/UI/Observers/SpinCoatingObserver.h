#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the spin coating dialog, limited to the selected volume's height, for
// the current spin coating; OK finishes the operation, Cancel ends it.
class SpinCoatingObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the planarization dialog, limited to the selected volume's height,
// for the current planarization; OK finishes the operation, Cancel ends it.
class PlanarizationObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

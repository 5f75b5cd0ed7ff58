#pragma once

#include "MooreOptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the Moore dialog ("Film Thickness") for the current Moore deposition;
// OK finishes the operation, Cancel ends it.
class MooreDepositionObserver : public MooreOptionsObserver
{
public:
    using MooreOptionsObserver::MooreOptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

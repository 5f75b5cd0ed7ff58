#pragma once

#include "MooreOptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the Moore dialog ("Etch Depth") for the current Moore etching; OK
// finishes the operation, Cancel ends it.
class MooreEtchingObserver : public MooreOptionsObserver
{
public:
    using MooreOptionsObserver::MooreOptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

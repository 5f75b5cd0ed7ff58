#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the glue dialog with the minimum sizes; a rejected dialog leaves the
// operation waiting until it is cancelled.
class GlueSubstrateObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the extract-film dialog; a rejected dialog leaves the operation
// waiting until it is cancelled.
class ExtractFilmObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

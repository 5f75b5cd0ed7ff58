#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the viewing options dialog for the current visualization operation,
// set from the volume's settings. OK stores the changed material colours in
// the catalogue, then hands over the options and finishes the operation;
// Cancel ends it without changes.
class ChangeTotalVolumeVisualizationOptionsObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

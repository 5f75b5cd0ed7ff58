#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the cut-plane dialog with live preview; a rejected dialog puts the
// limits back as they were and leaves the operation open.
class CutCellVolumeObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

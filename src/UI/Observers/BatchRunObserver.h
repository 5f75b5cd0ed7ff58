#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Opens the batch dialog for the volume the current select-volumes operation
// kept (or for none). When it closes, the masks shown while photolithography
// steps were entered are taken off every volume and the view repaints.
class BatchRunObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
    // Clears both mask overlays of every volume of the workspace's document.
    static void clearMaskOverlays(Core::Workspace &workspace);
};

} // namespace Observers
} // namespace Ui

#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the photolithography dialog for the current photolithography
// operation. Masks applied in the dialog show on the volume at once; on OK
// the film and both masks go to the operation, which develops the film. A
// cancelled dialog cancels the operation.
class PhotolithographyObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

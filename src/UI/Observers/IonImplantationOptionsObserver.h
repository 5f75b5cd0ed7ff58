#pragma once

#include "OptionsObserver.h"

namespace Ui {
namespace Observers {

// Runs the ion implantation options dialog for the current implantation and,
// on OK, hands over the distances, dopant type and silicon as the host, then
// finishes it.
class IonImplantationOptionsObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

    void notify() override;
};

} // namespace Observers
} // namespace Ui

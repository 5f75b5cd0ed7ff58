#pragma once

#include "OptionsObserver.h"

class QString;

namespace Core {
namespace Operations {
class MooreNeighborhoodOperation;
}
} // namespace Core

namespace Ui {
namespace Observers {

// The common part of the two Moore observers: the Moore dialog with the
// value named for the process; OK hands material and step count over and
// finishes the operation, Cancel ends it.
class MooreOptionsObserver : public OptionsObserver
{
public:
    using OptionsObserver::OptionsObserver;

protected:
    void ask(Core::Operations::MooreNeighborhoodOperation &operation, const QString &valueLabel);
};

} // namespace Observers
} // namespace Ui

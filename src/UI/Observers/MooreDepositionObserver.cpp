#include "MooreDepositionObserver.h"

#include "Core/Operations/Film/MooreNeighborhoodDepositionOperation.h"

namespace Ui {
namespace Observers {

void MooreDepositionObserver::notify()
{
    // Kept for the whole dialog: finishing releases the workspace's reference.
    if (const auto operation = currentOperation<Core::Operations::MooreNeighborhoodDepositionOperation>())
        ask(*operation, QStringLiteral("Film Thickness"));
}

} // namespace Observers
} // namespace Ui

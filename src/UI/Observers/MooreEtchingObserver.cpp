#include "MooreEtchingObserver.h"

#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"

namespace Ui {
namespace Observers {

void MooreEtchingObserver::notify()
{
    // Kept for the whole dialog: finishing releases the workspace's reference.
    if (const auto operation = currentOperation<Core::Operations::MooreNeighborhoodEtchingOperation>())
        ask(*operation, QStringLiteral("Etch Depth"));
}

} // namespace Observers
} // namespace Ui

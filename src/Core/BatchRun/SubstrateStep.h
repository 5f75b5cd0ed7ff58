#pragma once

#include "BatchStepExecutor.h"

#include "Util/Vector3D.h"

namespace Core {
namespace BatchRun {

// The Create Substrate step: a new volume, built as the create-substrate
// operation builds it, added to the document and made the current volume.
// An earlier volume stays in the document.
class SubstrateStep
{
public:
    static int run(const ProcessData &step, BatchStepExecutor::Context &context);
    // The box, in world µm, of the volume the step makes into an empty
    // document: its low corner and its far faces. False when the step's
    // parameters would have it skipped.
    static bool plannedBox(const ProcessData &step, Util::Vector3D *low, Util::Vector3D *high);
};

} // namespace BatchRun
} // namespace Core

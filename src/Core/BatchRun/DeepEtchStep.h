#pragma once

#include "BatchStepExecutor.h"

namespace Core {
namespace BatchRun {

// The batch step of the cyclic deep etch: reads "MaterialId", "Cycles",
// "Etch Per Cycle", "Passivation Thickness" and "ARDE", runs the etch on the
// context's volume, notes the depth per opening and records the operation.
class DeepEtchStep
{
public:
    static int run(const ProcessData &step, BatchStepExecutor::Context &context);
};

} // namespace BatchRun
} // namespace Core

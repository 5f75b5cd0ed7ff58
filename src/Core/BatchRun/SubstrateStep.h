#pragma once

#include "BatchStepExecutor.h"

namespace Core {
namespace BatchRun {

// The Create Substrate step: a new volume, built as the create-substrate
// operation builds it, added to the document and made the current volume.
// An earlier volume stays in the document.
class SubstrateStep
{
public:
    static int run(const ProcessData &step, BatchStepExecutor::Context &context);
};

} // namespace BatchRun
} // namespace Core

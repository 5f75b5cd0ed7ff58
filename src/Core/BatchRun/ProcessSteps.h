#pragma once

#include "StepContext.h"

namespace Core {
namespace BatchRun {

class ProcessData;

// The batch steps of the deposition, etching, patterning and silicon
// processes: each reads its parameters by name, runs the process's
// algorithm on the context's volume and records the operation for it.
// The film processes have theirs in FilmSteps, Create Substrate in SubstrateStep.
class ProcessSteps
{
public:
    static int cvd(const ProcessData &step, StepContext &context);
    static int isotropicEtching(const ProcessData &step, StepContext &context);
    static int siWetEtching(const ProcessData &step, StepContext &context);
    static int continuousWetEtching(const ProcessData &step, StepContext &context);
    static int siOxidation(const ProcessData &step, StepContext &context);
    static int thermalDoping(const ProcessData &step, StepContext &context);
    static int diffusionDoping(const ProcessData &step, StepContext &context);
    static int ionImplantation(const ProcessData &step, StepContext &context);
    static int simpleRie(const ProcessData &step, StepContext &context);
    static int photolithography(const ProcessData &step, StepContext &context);
    static int saveImage(const ProcessData &step, StepContext &context);
};

} // namespace BatchRun
} // namespace Core

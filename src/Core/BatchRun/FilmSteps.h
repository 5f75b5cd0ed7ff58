#pragma once

#include "BatchStepExecutor.h"

namespace Core {
namespace BatchRun {

// The batch steps of the film processes beside isotropic deposition and
// etching: each reads its parameters by name, runs the process's algorithm
// on the current volume and records the operation number for the volume.
class FilmSteps
{
public:
    static int electroplating(const ProcessData &step, BatchStepExecutor::Context &context);
    static int pvd(const ProcessData &step, BatchStepExecutor::Context &context);
    static int mooreDeposition(const ProcessData &step, BatchStepExecutor::Context &context);
    static int mooreEtching(const ProcessData &step, BatchStepExecutor::Context &context);
    static int planarization(const ProcessData &step, BatchStepExecutor::Context &context);
    static int spinCoating(const ProcessData &step, BatchStepExecutor::Context &context);
};

} // namespace BatchRun
} // namespace Core

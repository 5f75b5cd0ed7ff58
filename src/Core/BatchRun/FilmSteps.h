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
    static int electroplating(const Ui::ProcessData &step, BatchStepExecutor::Context &context);
    static int pvd(const Ui::ProcessData &step, BatchStepExecutor::Context &context);
    static int mooreDeposition(const Ui::ProcessData &step, BatchStepExecutor::Context &context);
    static int mooreEtching(const Ui::ProcessData &step, BatchStepExecutor::Context &context);
    static int planarization(const Ui::ProcessData &step, BatchStepExecutor::Context &context);
    static int spinCoating(const Ui::ProcessData &step, BatchStepExecutor::Context &context);
};

} // namespace BatchRun
} // namespace Core

#pragma once

#include "Util/IProgress.h"

#include <atomic>

namespace Core {
namespace Operations {

// The progress sink of one process run: the algorithm writes steps done and
// steps total from its own thread, the interface thread reads them whenever
// it redraws the progress bar.
class ProcessProgress : public Util::IProgress
{
public:
    void setProgress(unsigned long long done, unsigned long long total) override
    {
        stepsTotal.store(total, std::memory_order_relaxed);
        stepsDone.store(done, std::memory_order_relaxed);
    }
    void reset() { setProgress(0, 0); }
    unsigned long long done() const { return stepsDone.load(std::memory_order_relaxed); }
    unsigned long long total() const { return stepsTotal.load(std::memory_order_relaxed); }

private:
    std::atomic<unsigned long long> stepsDone{0};
    std::atomic<unsigned long long> stepsTotal{0};
};

} // namespace Operations
} // namespace Core

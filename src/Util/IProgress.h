#pragma once

namespace Util {

// Listener for long runs: the algorithm reports steps done out of a total and
// never knows who follows (the batch dialog's timer or the command-line tool).
// Calls may come from any thread.
class IProgress
{
public:
    virtual ~IProgress() = default;
    virtual void setProgress(unsigned long long done, unsigned long long total) = 0;
};

} // namespace Util

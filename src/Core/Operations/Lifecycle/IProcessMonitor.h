#pragma once

#include <QString>

namespace Core {
namespace Operations {

// What a window shows while a process runs off the interface thread: a wait
// cursor, a progress bar once the run has lasted a moment. Every call comes
// from the interface thread.
class IProcessMonitor
{
public:
    virtual ~IProcessMonitor() = default;
    virtual void runStarted(const QString &name) = 0;
    // Steps done of steps total (total 0: not known yet), and the time the
    // run has taken so far.
    virtual void runProgress(unsigned long long done, unsigned long long total, qint64 elapsedMs) = 0;
    virtual void runFinished() = 0;
};

} // namespace Operations
} // namespace Core

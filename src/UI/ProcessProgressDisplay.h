#pragma once

#include "Core/Operations/Lifecycle/IProcessMonitor.h"

#include <QPointer>
#include <QProgressBar>

class QStatusBar;

namespace Ui {

// Follows a process that runs off the interface thread: a wait cursor from
// the start and, once the run has taken longer than a moment, a progress bar
// in the window's status bar showing steps done of steps total.
class ProcessProgressDisplay : public Core::Operations::IProcessMonitor
{
public:
    // Runs shorter than this show no bar (it would only flicker).
    static constexpr qint64 showAfterMs = 500;
    // The bar's range: step counts may exceed what an int holds.
    static constexpr int barRange = 1000;

    explicit ProcessProgressDisplay(QStatusBar *statusBar);
    ~ProcessProgressDisplay() override;

    void runStarted(const QString &name) override;
    void runProgress(unsigned long long done, unsigned long long total, qint64 elapsedMs) override;
    void runFinished() override;

    QProgressBar *progressBar() const { return bar; }

private:
    QPointer<QProgressBar> bar;
    bool cursorSet = false;
};

} // namespace Ui

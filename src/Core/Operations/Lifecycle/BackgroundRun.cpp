#include "Core/Operations/Lifecycle/BackgroundRun.h"

#include "Core/Operations/Lifecycle/IProcessMonitor.h"
#include "Core/Operations/Lifecycle/ProcessProgress.h"
#include "Util/Logging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <exception>
#include <memory>

namespace Core {
namespace Operations {

namespace {

bool running = false;

// Eats user input while a run is on. The local loop already holds input
// back; this also catches what is delivered directly and what the loop
// releases when the run ends, so nothing typed or clicked meanwhile acts.
class InputBlocker : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        case QEvent::Close:
            // A window closed from its title bar would take the running
            // operation's workspace with it: it stays open.
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

bool BackgroundRun::isRunning()
{
    return running;
}

void BackgroundRun::run(const QString &name, const std::function<void()> &body, const ProcessProgress &progress,
                        IProcessMonitor *monitor)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!monitor || !application || QThread::currentThread() != application->thread() || running) {
        body();
        return;
    }

    running = true;
    InputBlocker blocker;
    application->installEventFilter(&blocker);
    monitor->runStarted(name);

    std::exception_ptr failure;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&body, &failure] {
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    thread->setObjectName(QStringLiteral("process"));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);

    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop,
                     [&] { monitor->runProgress(progress.done(), progress.total(), clock.elapsed()); });
    poll.start(pollIntervalMs);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    poll.stop();
    qCDebug(lcProcess) << name << "ran" << clock.elapsed() << "ms off the interface thread";

    // Input held back during the run reaches the blocker now and is dropped.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    monitor->runFinished();
    application->removeEventFilter(&blocker);
    running = false;
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace Operations
} // namespace Core

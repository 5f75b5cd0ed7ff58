#pragma once

// Helpers for driving modal dialogs and recording operation ids in GUI tests.

#include "Core/Operations/IOperationFactory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace GuiTestSupport {

// Runs `handle` on the next modal widget that is not `previous`, as soon as it
// is up. Gives up after `timeoutMs` so a missing dialog cannot hang a test.
inline void whenModal(std::function<void(QWidget *)> handle, QWidget *previous = nullptr, int timeoutMs = 10000)
{
    auto *timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QPointer<QWidget> before(previous);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, before, handle, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != before.data()) {
            timer->stop();
            timer->deleteLater();
            handle(modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// Remembers the ids it was asked for and builds nothing.
class RecordingFactory : public Core::Operations::IOperationFactory
{
public:
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override
    {
        ids << id;
        return {};
    }
    QList<std::uint32_t> ids;
};

} // namespace GuiTestSupport

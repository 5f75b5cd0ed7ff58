#pragma once

// Helpers for driving modal dialogs, the GL view and the console in GUI tests.

#include "UI/GLWidget.h"
#include "UI/ViewCamera.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cmath>
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
        const bool found = modal && modal != before.data();
        if (found || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
        if (found)
            handle(modal);
    });
    timer->start(20);
}

// Fills the next modal dialog with `fill`, then accepts or rejects it.
inline void answerDialog(std::function<void(QWidget *)> fill, bool accept)
{
    whenModal([fill, accept](QWidget *modal) {
        if (fill)
            fill(modal);
        if (accept)
            static_cast<QDialog *>(modal)->accept();
        else
            static_cast<QDialog *>(modal)->reject();
    });
}

template <typename T>
T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

inline QStringList lines(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// Widget pixel (top-left origin) where `world` is drawn.
inline QPoint pixelOf(const Ui::GLWidget *view, const Util::Vector3D &world)
{
    const Ui::ViewCamera &camera = view->viewCamera();
    const Util::Vector3D window = camera.project(world);
    const double ratio = view->devicePixelRatioF();
    return QPoint(int(std::floor(window.x / ratio)), int(std::floor((camera.viewportHeight() - window.y) / ratio)));
}

} // namespace GuiTestSupport

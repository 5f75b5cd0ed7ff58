#pragma once

#include "Util/IObserver.h"

#include <QObject>

class QWidget;

namespace Ui {
namespace Observers {

// Registered with the workspace's operation-ended observers: makes the view
// repaint once an operation ended, a document was loaded or the model was
// reset. Operations may end on a worker thread (batch runs); the repaint is
// then queued to the view's thread.
class RedrawObserver : public QObject, public Util::IObserver
{
    Q_OBJECT

public:
    explicit RedrawObserver(QWidget *view);

    void notify() override;

signals:
    void redrawRequested();
};

} // namespace Observers
} // namespace Ui

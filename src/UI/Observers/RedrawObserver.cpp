#include "RedrawObserver.h"

#include <QWidget>

namespace Ui {
namespace Observers {

RedrawObserver::RedrawObserver(QWidget *view)
{
    // No parent: the workspace holds the observer by shared pointer. The
    // connection ends with the view.
    connect(this, &RedrawObserver::redrawRequested, view, QOverload<>::of(&QWidget::update));
}

void RedrawObserver::notify()
{
    emit redrawRequested();
}

} // namespace Observers
} // namespace Ui

#pragma once

#include "Util/IObserver.h"

#include <QObject>

namespace Ui {
namespace Observers {

// Told by an undo or redo stack that it changed; the presenter updates the action.
class UndoRedoObserver : public QObject, public Util::IObserver
{
    Q_OBJECT

public:
    using QObject::QObject;

    void notify() override { emit stackChanged(); }

signals:
    void stackChanged();
};

} // namespace Observers
} // namespace Ui

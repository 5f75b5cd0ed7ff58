#pragma once

#include "Util/IObserver.h"

#include <QObject>

namespace Ui {
namespace Observers {

// Turns a model notification into the signal `changed`. A notifier on a
// worker thread (a batch run) reaches receivers on the interface thread
// queued; a receiver that is gone simply drops out of the connection.
class ChangeObserver : public QObject, public Util::IObserver
{
    Q_OBJECT

public:
    using QObject::QObject;

    void notify() override { emit changed(); }

signals:
    void changed();
};

} // namespace Observers
} // namespace Ui

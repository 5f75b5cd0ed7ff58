#pragma once

#include "Util/IObserver.h"

#include <QObject>

namespace Core {
class ConsoleInput;
}

namespace Ui {
namespace Console {

// Carries each non-empty message of the console input to the console widget.
class ConsoleObserver : public QObject, public Util::IObserver
{
    Q_OBJECT

public:
    explicit ConsoleObserver(Core::ConsoleInput *input);

    void notify() override;

signals:
    void messageWritten(const QString &message);

private:
    Core::ConsoleInput *consoleInput;
};

} // namespace Console
} // namespace Ui

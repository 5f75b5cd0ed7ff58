#include "ConsoleObserver.h"

#include "Core/ConsoleInput.h"

namespace Ui {
namespace Console {

ConsoleObserver::ConsoleObserver(Core::ConsoleInput *input)
    : consoleInput(input)
{
}

void ConsoleObserver::notify()
{
    const QString message = consoleInput->getMessage();
    if (!message.isEmpty())
        emit messageWritten(message);
}

} // namespace Console
} // namespace Ui

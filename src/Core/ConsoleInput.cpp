#include "ConsoleInput.h"

#include "Core/Operations/Lifecycle/Operation.h"
#include "Util/IObserver.h"

#include <sstream>
#include <string>

namespace Core {

void ConsoleInput::setMessage(const QString &text)
{
    write(text, false);
}

void ConsoleInput::setWarning(const QString &text)
{
    write(text, true);
}

void ConsoleInput::write(const QString &text, bool asWarning)
{
    message = text;
    warning = asWarning && !text.isEmpty();
    if (text.isEmpty())
        return;
    const auto observers = messageObservers;
    for (const auto &observer : observers)
        observer->notify();
}

void ConsoleInput::addMessageObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    messageObservers.append(observer);
}

void ConsoleInput::removeMessageObserver(const std::shared_ptr<Util::IObserver> &observer)
{
    messageObservers.removeAll(observer);
}

void ConsoleInput::takeOver(Operations::Operation *newRequester)
{
    if (requester && requester != newRequester) {
        Operations::Operation *previous = requester;
        resetRequest();
        previous->end();
    }
}

void ConsoleInput::requestText(Operations::Operation *newRequester, QString *target)
{
    takeOver(newRequester);
    textTarget = target;
    coordinatesTarget = nullptr;
    requester = newRequester;
    requestKind = Text;
}

void ConsoleInput::requestCoordinates(Operations::Operation *newRequester, Util::Vector3D *target, bool *done)
{
    takeOver(newRequester);
    doneFlag = done;
    if (doneFlag)
        *doneFlag = false;
    requester = newRequester;
    coordinatesTarget = target;
    textTarget = nullptr;
    requestKind = Coordinates;
}

void ConsoleInput::waitForEnter(Operations::Operation *newRequester)
{
    takeOver(newRequester);
    requester = newRequester;
    waitingForEnter = true;
}

void ConsoleInput::resetRequest()
{
    requestKind = None;
    requester = nullptr;
    textTarget = nullptr;
    coordinatesTarget = nullptr;
    doneFlag = nullptr;
    waitingForEnter = false;
}

bool ConsoleInput::parseCoordinates(const QString &line, Util::Vector3D &result)
{
    std::istringstream in(line.toStdString());
    in.exceptions(std::ios::failbit | std::ios::badbit);
    double x = 0, y = 0, z = 0;
    try {
        in >> x;
        in.ignore(100, ',');
        in >> y;
        in.ignore(100, ',');
        in >> z;
    } catch (const std::ios::failure &) {
        return false;
    }
    result = Util::Vector3D(x, y, z);
    return true;
}

void ConsoleInput::answer()
{
    // The requester is forgotten before its step runs, so the step may ask again.
    Operations::Operation *waiting = requester;
    bool *done = doneFlag;
    requester = nullptr;
    requestKind = None;
    waitingForEnter = false;
    if (done)
        *done = true;
    waiting->step();
}

void ConsoleInput::processLine(const QString &line)
{
    if (requester && !line.isEmpty()) {
        if (requestKind == Coordinates) {
            Util::Vector3D value;
            if (parseCoordinates(line, value)) {
                if (coordinatesTarget)
                    *coordinatesTarget = value;
                answer();
                return;
            }
            setMessage(QStringLiteral("Invalid entry. Enter the x, y, z coordinates."));
        } else if (requestKind == Text) {
            if (textTarget)
                *textTarget = line;
            answer();
            return;
        }
    }
    if (requester && waitingForEnter) {
        Operations::Operation *waiting = requester;
        requester = nullptr;
        waitingForEnter = false;
        waiting->step();
    }
}

} // namespace Core

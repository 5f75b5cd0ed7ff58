#pragma once

#include "Util/Vector3D.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>

namespace Util {
class IObserver;
}

namespace Core {

namespace Operations {
class Operation;
}

// The console's model: the last message written, who listens for messages,
// and at most one pending request of a waiting operation (a text answer,
// x, y, z coordinates, or a plain Enter/Return).
class ConsoleInput
{
public:
    enum RequestKind : std::uint32_t {
        Coordinates = 2,
        Text = 3,
        None = 5,
    };

    void setMessage(const QString &text);
    // A message the user should not miss (a step that changed nothing): the
    // window shows it in its status bar as well.
    void setWarning(const QString &text);
    QString getMessage() const { return message; }
    // Whether the last message was a warning.
    bool isWarning() const { return warning; }
    void addMessageObserver(const std::shared_ptr<Util::IObserver> &observer);
    void removeMessageObserver(const std::shared_ptr<Util::IObserver> &observer);

    // A different operation already waiting is ended first.
    void requestText(Operations::Operation *requester, QString *target);
    void requestCoordinates(Operations::Operation *requester, Util::Vector3D *target, bool *done = nullptr);
    void waitForEnter(Operations::Operation *requester);
    void resetRequest();

    // A typed line (empty for a bare Enter/Return).
    void processLine(const QString &line);

    Operations::Operation *getRequester() const { return requester; }
    RequestKind getRequestKind() const { return requestKind; }
    bool isWaitingForEnter() const { return waitingForEnter; }

    // Reads "x, y, z"; text after z is ignored. False when it cannot be read.
    static bool parseCoordinates(const QString &line, Util::Vector3D &result);

private:
    void write(const QString &text, bool asWarning);
    void takeOver(Operations::Operation *newRequester);
    // A request was answered: forget it, set the done flag, step the requester.
    void answer();

    Operations::Operation *requester = nullptr;
    QString *textTarget = nullptr;
    Util::Vector3D *coordinatesTarget = nullptr;
    RequestKind requestKind = None;
    bool *doneFlag = nullptr;
    bool waitingForEnter = false;
    QString message;
    bool warning = false;
    QList<std::shared_ptr<Util::IObserver>> messageObservers;
};

} // namespace Core

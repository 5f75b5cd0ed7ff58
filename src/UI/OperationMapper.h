#pragma once

#include <QObject>

#include <cstdint>

class QAction;
class QSignalMapper;

namespace Ui {

// Turns the triggering of many actions into one signal carrying the text
// mapped to the action (an operation id in decimal, or a view name).
class OperationMapper : public QObject
{
    Q_OBJECT

public:
    explicit OperationMapper(QObject *parent = nullptr);

    void map(QAction *action, std::uint32_t operationId);
    void map(QAction *action, const QString &text);

signals:
    void activated(const QString &operationId);

private:
    QSignalMapper *signalMapper;
};

} // namespace Ui

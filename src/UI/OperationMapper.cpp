#include "OperationMapper.h"

#include <QAction>
#include <QSignalMapper>

namespace Ui {

OperationMapper::OperationMapper(QObject *parent)
    : QObject(parent)
    , signalMapper(new QSignalMapper(this))
{
    connect(signalMapper, &QSignalMapper::mappedString, this, &OperationMapper::activated);
}

void OperationMapper::map(QAction *action, std::uint32_t operationId)
{
    map(action, QString::number(operationId));
}

void OperationMapper::map(QAction *action, const QString &text)
{
    connect(action, &QAction::triggered, signalMapper, qOverload<>(&QSignalMapper::map));
    signalMapper->setMapping(action, text);
}

} // namespace Ui

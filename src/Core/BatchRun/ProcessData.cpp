#include "ProcessData.h"

#include "Core/ProcessTable.h"

namespace Core {
namespace BatchRun {

std::atomic<std::uint32_t> ProcessData::nextId{0};

ProcessData::ProcessData(std::int32_t type)
    : id(nextId++)
    , type(type)
{
}

QString ProcessData::getName() const
{
    return ProcessTable::listName(type);
}

void ProcessData::setParameter(const QString &name, const QVariant &value, bool visible)
{
    parameters.insert(name, value);
    visibility.insert(name, visible);
}

} // namespace BatchRun
} // namespace Core

#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <atomic>
#include <cstdint>

namespace Core {
namespace BatchRun {

// One step of a process list: a process type code and named, typed
// parameters, each shown in the batch list or kept hidden (ids, raw masks,
// colours). Every step built takes a new id from one process-wide counter;
// the id is not saved.
class ProcessData
{
public:
    // What the reader makes of an element that is not a step. The codes of
    // the processes are in the process table.
    static constexpr std::int32_t unknownType = 17;

    explicit ProcessData(std::int32_t type);

    std::int32_t getType() const { return type; }
    std::uint32_t getId() const { return id; }
    // The text the batch list shows for the step's process.
    QString getName() const;

    // An invalid QVariant when there is no such parameter.
    QVariant getParameter(const QString &name) const { return parameters.value(name); }
    void setParameter(const QString &name, const QVariant &value, bool visible);
    // False for a parameter the step does not have.
    bool isVisible(const QString &name) const { return visibility.value(name, false); }
    // In name order (plain code-unit comparison).
    QMap<QString, QVariant> getParameters() const { return parameters; }

private:
    std::uint32_t id;
    std::int32_t type;
    QMap<QString, QVariant> parameters;
    QMap<QString, bool> visibility;

    static std::atomic<std::uint32_t> nextId;
};

} // namespace BatchRun
} // namespace Core

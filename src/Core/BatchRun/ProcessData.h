#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

#include <atomic>
#include <cstdint>

namespace Ui {

// One step of a process list: a process type code and named, typed
// parameters, each shown in the batch list or kept hidden (ids, raw masks,
// colours). Every step built takes a new id from one process-wide counter;
// the id is not saved.
class ProcessData
{
public:
    enum Type : std::int32_t {
        Photolithography = 0,
        SiWetEtching = 1,
        MooreDeposition = 2,
        MooreEtching = 3,
        Cvd = 4,
        IsotropicEtching = 5,
        Planarization = 6,
        Electroplating = 7,
        Doping = 8,
        SpinCoating = 9,
        SaveImage = 10,
        CreateSubstrate = 11,
        Pvd = 12,
        SimpleRie = 13,
        IonImplantation = 14,
        SiOxidation = 15,
        DiffusionDoping = 16,
        // What the reader makes of an element that is not a step.
        Unknown = 17
    };

    explicit ProcessData(std::int32_t type);

    std::int32_t getType() const { return type; }
    std::uint32_t getId() const { return id; }
    // The text shown in the batch list ("CVD", "Unknown process" ...).
    QString getName() const { return displayName(type); }
    static QString displayName(std::int32_t type);

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

} // namespace Ui

#pragma once

#include "Util/BitVector.h"
#include "Util/Vector3D.h"

#include <QString>
#include <QVariant>

#include <cstdint>

namespace Ui {
class ProcessData;
}

namespace Core {
namespace BatchRun {

// Reads a step's parameters by name. The first parameter that is absent or
// does not convert is remembered with its failure code; later reads are
// then skipped, so a step reads everything and checks once.
class StepParameters
{
public:
    explicit StepParameters(const Ui::ProcessData &step);

    std::uint32_t toUInt(const QString &name);
    std::int32_t toInt(const QString &name);
    double toDouble(const QString &name);
    float toFloat(const QString &name);
    bool toBool(const QString &name);
    QString toString(const QString &name);
    Util::Vector3D toVector3D(const QString &name);
    // A bit array (an image mask); a text of '0' and '1' is read as one.
    Util::BitVector toBitVector(const QString &name);

    // Marks a parameter that was read but does not fit the others (code 2).
    void reject(const QString &name) { fail(2, name); }

    // 0 when every read succeeded, 1 for a missing parameter, 2 for one that does not convert.
    int code() const { return failure; }
    QString failedName() const { return failedParameter; }

private:
    void fail(int code, const QString &name);
    // The parameter's value; false (and the failure noted) when it is absent
    // or an earlier read already failed.
    bool take(const QString &name, QVariant &value);

    const Ui::ProcessData &step;
    int failure = 0;
    QString failedParameter;
};

} // namespace BatchRun
} // namespace Core

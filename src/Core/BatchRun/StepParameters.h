#pragma once

#include "Util/BitVector.h"
#include "Util/Vector3D.h"

#include <QString>
#include <QVariant>

#include <cstdint>


namespace Core {
namespace BatchRun {

class ProcessData;
struct StepContext;

// Reads a step's parameters by name. The first parameter that is absent,
// does not convert or names no catalogue material is remembered with its
// failure code (a BatchStepExecutor::Code) and a sentence for the user;
// later reads are then skipped, so a step reads everything and checks once.
// A number outside the range the process table declares for the parameter
// is refused with its name and that range.
class StepParameters
{
public:
    explicit StepParameters(const ProcessData &step);

    // Parameters whose name ends in "MaterialId" ("MaterialId",
    // "DepositedMaterialId" ...) are material ids: they must name a material
    // of the catalogue, whichever reader takes them.
    std::uint32_t toUInt(const QString &name);
    std::uint32_t toMaterialId(const QString &name);
    std::int32_t toInt(const QString &name);
    double toDouble(const QString &name);
    float toFloat(const QString &name);
    bool toBool(const QString &name);
    QString toString(const QString &name);
    // A text the process table lists among the parameter's choices, in the
    // table's spelling; any other text is refused with the choices.
    QString toChoice(const QString &name);
    Util::Vector3D toVector3D(const QString &name);
    // A bit array (an image mask); a text of '0' and '1' is read as one.
    Util::BitVector toBitVector(const QString &name);

    // True when the step has the parameter, whatever its value (for
    // optional parameters).
    bool has(const QString &name) const;

    // Marks a parameter that was read but does not fit the others (code 2);
    // `why` finishes the sentence "\"<name>\" ...".
    void reject(const QString &name, const QString &why)
    {
        fail(2, name, QStringLiteral("\"%1\" %2").arg(name, why));
    }

    // Notes the first failure in the context, for the report, and returns its code.
    int giveUp(StepContext &context) const;
    // The reason given for a parameter the step does not have.
    static QString missing(const QString &name) { return QStringLiteral("\"%1\" is missing").arg(name); }

    // 0 when every read succeeded, otherwise the code of the first failure.
    int code() const { return failure; }
    QString failedName() const { return failedParameter; }
    // What is wrong, for the user: "\"Thickness\" is missing",
    // "\"Thickness\" (\"abc\") does not convert to a number" ...
    QString reason() const { return failureReason; }

private:
    void fail(int code, const QString &name, const QString &reason);
    void notConverting(const QString &name, const QVariant &value, const char *wanted);
    // The parameter's value; false (and the failure noted) when it is absent,
    // holds no value of its kind, or an earlier read already failed.
    bool take(const QString &name, QVariant &value, const char *wanted);
    bool takeUInt(const QString &name, std::uint32_t &result);
    // False (and the failure noted) when the value lies outside the range
    // the process table declares for the parameter, or is not finite.
    bool withinRange(const QString &name, double value, const char *wanted);

    const ProcessData &step;
    int failure = 0;
    QString failedParameter;
    QString failureReason;
};

} // namespace BatchRun
} // namespace Core

#include "StepParameters.h"

#include "BatchStepExecutor.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "ProcessData.h"
#include "StepContext.h"

#include <QVariant>

#include <cmath>

namespace Core {
namespace BatchRun {

namespace {

const char wholeNumber[] = "a whole number from 0 to 4294967295";
const char signedNumber[] = "a whole number";
const char number[] = "a number";
const char truth[] = "true or false";
const char point[] = "three numbers x;y;z";

bool namesMaterial(const QString &name)
{
    return name.endsWith(QLatin1String("MaterialId"));
}

} // namespace

StepParameters::StepParameters(const ProcessData &s)
    : step(s)
{
}

void StepParameters::fail(int code, const QString &name, const QString &reason)
{
    if (failure == 0) {
        failure = code;
        failedParameter = name;
        failureReason = reason;
    }
}

void StepParameters::notConverting(const QString &name, const QVariant &value, const char *wanted)
{
    // A value the list file could not read at all has no text left to show.
    const QString shown = value.isValid() && value.canConvert<QString>()
        ? QStringLiteral(" (\"%1\")").arg(value.toString())
        : QString();
    fail(BatchStepExecutor::BadParameter, name,
         QStringLiteral("\"%1\"%2 does not convert to %3").arg(name, shown, QLatin1String(wanted)));
}

bool StepParameters::has(const QString &name) const
{
    return step.getParameters().contains(name);
}

bool StepParameters::take(const QString &name, QVariant &value, const char *wanted)
{
    if (failure)
        return false;
    if (!step.getParameters().contains(name)) {
        fail(BatchStepExecutor::MissingParameter, name, missing(name));
        return false;
    }
    value = step.getParameter(name);
    // Present, but its text did not read as its kind ("abc" for a double).
    if (!value.isValid() || value.isNull()) {
        notConverting(name, value, wanted);
        return false;
    }
    return true;
}

bool StepParameters::takeUInt(const QString &name, std::uint32_t &result)
{
    QVariant value;
    if (!take(name, value, wholeNumber))
        return false;
    bool ok = false;
    const qulonglong v = value.toULongLong(&ok);
    // An "int" of -1 converts to a huge unsigned number; it is no size.
    if (!ok || v > 0xFFFFFFFFull || (value.type() == QVariant::Int && value.toInt() < 0)) {
        notConverting(name, value, wholeNumber);
        return false;
    }
    if (!withinRange(name, double(v), "a whole number"))
        return false;
    result = std::uint32_t(v);
    return true;
}

bool StepParameters::withinRange(const QString &name, double value, const char *wanted)
{
    const ProcessTable::Range *range = ProcessTable::range(step.getType(), name);
    if (!range) {
        // Without a declared range any finite value is the algorithm's to judge.
        if (std::isfinite(value))
            return true;
        notConverting(name, QVariant(value), wanted);
        return false;
    }
    if (range->contains(value))
        return true;
    fail(BatchStepExecutor::BadParameter, name,
         QStringLiteral("\"%1\" must be %2 %3 (got %4)")
             .arg(name, QLatin1String(wanted), range->text(), QString::number(value, 'g', 7)));
    return false;
}

std::uint32_t StepParameters::toUInt(const QString &name)
{
    if (namesMaterial(name))
        return toMaterialId(name);
    std::uint32_t value = 0;
    return takeUInt(name, value) ? value : 0;
}

std::uint32_t StepParameters::toMaterialId(const QString &name)
{
    std::uint32_t id = 0;
    if (!takeUInt(name, id))
        return 0;
    if (id == 0 || Model::Materials::MaterialFactory::getInstance()->getMaterial(id).getId() != id) {
        fail(BatchStepExecutor::UnknownMaterial, name,
             QStringLiteral("\"%1\" is %2, which is no material of the catalogue").arg(name).arg(id));
        return 0;
    }
    return id;
}

std::int32_t StepParameters::toInt(const QString &name)
{
    QVariant value;
    if (!take(name, value, signedNumber))
        return 0;
    bool ok = false;
    const int v = value.toInt(&ok);
    if (ok)
        return v;
    notConverting(name, value, signedNumber);
    return 0;
}

double StepParameters::toDouble(const QString &name)
{
    QVariant value;
    if (!take(name, value, number))
        return 0;
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok) {
        notConverting(name, value, number);
        return 0;
    }
    return withinRange(name, v, number) ? v : 0;
}

float StepParameters::toFloat(const QString &name)
{
    const double v = toDouble(name);
    // A double beyond the float range would turn into infinity.
    if (std::isfinite(float(v)))
        return float(v);
    notConverting(name, step.getParameter(name), number);
    return 0;
}

bool StepParameters::toBool(const QString &name)
{
    QVariant value;
    if (!take(name, value, truth))
        return false;
    if (value.type() == QVariant::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text != QLatin1String("false") && text != QLatin1String("0"))
        notConverting(name, value, truth);
    return false;
}

QString StepParameters::toString(const QString &name)
{
    QVariant value;
    return take(name, value, "a text") ? value.toString() : QString();
}

QString StepParameters::toChoice(const QString &name)
{
    const QString text = toString(name);
    const ProcessTable::Parameter *declared = ProcessTable::parameter(step.getType(), name);
    if (failure || !declared || declared->choices.isEmpty())
        return text;
    for (const QString &choice : declared->choices) {
        if (choice.compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return choice;
    }
    fail(BatchStepExecutor::BadParameter, name,
         QStringLiteral("\"%1\" is \"%2\"; it must be one of %3")
             .arg(name, text, declared->choices.join(QStringLiteral(", "))));
    return QString();
}

Util::Vector3D StepParameters::toVector3D(const QString &name)
{
    QVariant value;
    if (!take(name, value, point))
        return Util::Vector3D();
    if (value.canConvert<Util::Vector3D>()) {
        const auto v = value.value<Util::Vector3D>();
        if (std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z))
            return v;
    }
    notConverting(name, value, point);
    return Util::Vector3D();
}

Util::BitVector StepParameters::toBitVector(const QString &name)
{
    QVariant value;
    if (!take(name, value, "a bit array"))
        return Util::BitVector();
    if (value.userType() == qMetaTypeId<Util::BitVector>())
        return value.value<Util::BitVector>();
    const QString text = value.toString();
    Util::BitVector bits(std::size_t(text.size()));
    for (int k = 0; k < text.size(); ++k) {
        if (text[k] != QLatin1Char('0') && text[k] != QLatin1Char('1')) {
            notConverting(name, value, "a bit array");
            return Util::BitVector();
        }
        bits.set(std::size_t(k), text[k] == QLatin1Char('1'));
    }
    return bits;
}

int StepParameters::giveUp(StepContext &context) const
{
    return context.refuse(failure, failedParameter, failureReason);
}

} // namespace BatchRun
} // namespace Core

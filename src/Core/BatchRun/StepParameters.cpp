#include "StepParameters.h"

#include "ProcessData.h"

#include <QVariant>

#include <cmath>

namespace Core {
namespace BatchRun {

StepParameters::StepParameters(const Ui::ProcessData &s)
    : step(s)
{
}

bool StepParameters::fail(int code, const QString &name)
{
    if (failure == 0) {
        failure = code;
        failedParameter = name;
    }
    return false;
}

std::uint32_t StepParameters::toUInt(const QString &name)
{
    const QVariant value = step.getParameter(name);
    if (failure)
        return 0;
    if (!value.isValid() || value.isNull())
        return fail(1, name), 0;
    bool ok = false;
    const qulonglong v = value.toULongLong(&ok);
    if (!ok || v > 0xFFFFFFFFull)
        return fail(2, name), 0;
    return std::uint32_t(v);
}

std::int32_t StepParameters::toInt(const QString &name)
{
    const QVariant value = step.getParameter(name);
    if (failure)
        return 0;
    if (!value.isValid() || value.isNull())
        return fail(1, name), 0;
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok)
        return fail(2, name), 0;
    return v;
}

double StepParameters::toDouble(const QString &name)
{
    const QVariant value = step.getParameter(name);
    if (failure)
        return 0;
    if (!value.isValid() || value.isNull())
        return fail(1, name), 0;
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return fail(2, name), 0;
    return v;
}

float StepParameters::toFloat(const QString &name)
{
    return float(toDouble(name));
}

bool StepParameters::toBool(const QString &name)
{
    const QVariant value = step.getParameter(name);
    if (failure)
        return false;
    if (!value.isValid() || value.isNull())
        return fail(1, name);
    if (value.type() == QVariant::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fail(2, name);
}

QString StepParameters::toString(const QString &name)
{
    const QVariant value = step.getParameter(name);
    if (failure)
        return QString();
    if (!value.isValid() || value.isNull())
        return fail(1, name), QString();
    return value.toString();
}

Util::Vector3D StepParameters::toVector3D(const QString &name)
{
    const QVariant value = step.getParameter(name);
    if (failure)
        return Util::Vector3D();
    if (!value.isValid() || value.isNull())
        return fail(1, name), Util::Vector3D();
    if (!value.canConvert<Util::Vector3D>())
        return fail(2, name), Util::Vector3D();
    return value.value<Util::Vector3D>();
}

} // namespace BatchRun
} // namespace Core

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

void StepParameters::fail(int code, const QString &name)
{
    if (failure == 0) {
        failure = code;
        failedParameter = name;
    }
}

bool StepParameters::take(const QString &name, QVariant &value)
{
    if (failure)
        return false;
    value = step.getParameter(name);
    if (!value.isValid() || value.isNull()) {
        fail(1, name);
        return false;
    }
    return true;
}

std::uint32_t StepParameters::toUInt(const QString &name)
{
    QVariant value;
    if (!take(name, value))
        return 0;
    bool ok = false;
    const qulonglong v = value.toULongLong(&ok);
    if (ok && v <= 0xFFFFFFFFull)
        return std::uint32_t(v);
    fail(2, name);
    return 0;
}

std::int32_t StepParameters::toInt(const QString &name)
{
    QVariant value;
    if (!take(name, value))
        return 0;
    bool ok = false;
    const int v = value.toInt(&ok);
    if (ok)
        return v;
    fail(2, name);
    return 0;
}

double StepParameters::toDouble(const QString &name)
{
    QVariant value;
    if (!take(name, value))
        return 0;
    bool ok = false;
    const double v = value.toDouble(&ok);
    if (ok && std::isfinite(v))
        return v;
    fail(2, name);
    return 0;
}

float StepParameters::toFloat(const QString &name)
{
    return float(toDouble(name));
}

bool StepParameters::toBool(const QString &name)
{
    QVariant value;
    if (!take(name, value))
        return false;
    if (value.type() == QVariant::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text != QLatin1String("false") && text != QLatin1String("0"))
        fail(2, name);
    return false;
}

QString StepParameters::toString(const QString &name)
{
    QVariant value;
    return take(name, value) ? value.toString() : QString();
}

Util::Vector3D StepParameters::toVector3D(const QString &name)
{
    QVariant value;
    if (!take(name, value))
        return Util::Vector3D();
    if (value.canConvert<Util::Vector3D>())
        return value.value<Util::Vector3D>();
    fail(2, name);
    return Util::Vector3D();
}

Util::BitVector StepParameters::toBitVector(const QString &name)
{
    QVariant value;
    if (!take(name, value))
        return Util::BitVector();
    if (value.userType() == qMetaTypeId<Util::BitVector>())
        return value.value<Util::BitVector>();
    const QString text = value.toString();
    Util::BitVector bits(std::size_t(text.size()));
    for (int k = 0; k < text.size(); ++k) {
        if (text[k] != QLatin1Char('0') && text[k] != QLatin1Char('1')) {
            fail(2, name);
            return Util::BitVector();
        }
        bits.set(std::size_t(k), text[k] == QLatin1Char('1'));
    }
    return bits;
}

} // namespace BatchRun
} // namespace Core

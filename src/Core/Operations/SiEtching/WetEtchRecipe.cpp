#include "Core/Operations/SiEtching/WetEtchRecipe.h"

#include "Core/Operations/SiEtching/KohEtchRate.h"

namespace Core {
namespace Operations {

namespace {

QString figure(double value)
{
    return QString::number(value, 'g', 4);
}

} // namespace

double WetEtchRecipe::rate100() const
{
    if (etchant == Etchant::Custom)
        return customRate;
    return KohEtchRate::micrometresPerMinute(KohEtchRate::Plane::P100, concentration, temperature);
}

QString WetEtchRecipe::text() const
{
    const QString rate = QStringLiteral("(100) rate %1 \u00b5m/min for %2 min").arg(figure(rate100()), figure(minutes));
    if (etchant == Etchant::Custom)
        return QStringLiteral("custom etchant: ") + rate;
    return QStringLiteral("KOH %1 wt % at %2 \u00b0C: ").arg(figure(concentration), figure(temperature)) + rate;
}

QString WetEtchRecipe::name(Etchant etchant)
{
    return etchant == Etchant::Koh ? QStringLiteral("KOH") : QStringLiteral("custom");
}

QStringList WetEtchRecipe::names()
{
    return {name(Etchant::Koh), name(Etchant::Custom)};
}

std::optional<WetEtchRecipe::Etchant> WetEtchRecipe::fromName(const QString &text)
{
    for (const Etchant etchant : {Etchant::Koh, Etchant::Custom}) {
        if (text.trimmed().compare(name(etchant), Qt::CaseInsensitive) == 0)
            return etchant;
    }
    return std::nullopt;
}

} // namespace Operations
} // namespace Core

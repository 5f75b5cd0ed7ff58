#include "Core/Operations/SiOxidation/DealGrove.h"

#include "Util/Logging.h"
#include "Util/PhysicalConstants.h"

#include <cmath>

namespace Core {
namespace Operations {

DealGrove::Rates DealGrove::rates(Ambient ambient, double kelvin, double atmospheres)
{
    if (ambient == Ambient::Dry) {
        const double r = 1000.0 / kelvin;
        const double parabolicOneAtm = 1297.907373 * std::exp(-14.92366568 * r);
        return {atmospheres * 0.999264839884312 * parabolicOneAtm, atmospheres * 7973245.767 * std::exp(-23.43965534 * r)};
    }
    const double kT = Util::PhysicalConstants::thermalEnergy(kelvin);
    return {atmospheres * 386.0 * std::exp(-0.78 / kT), atmospheres * 1.63e8 * std::exp(-2.05 / kT)};
}

double DealGrove::initialThickness(Ambient ambient)
{
    return ambient == Ambient::Dry ? 0.025 : 0.0;
}

double DealGrove::thickness(Ambient ambient, double hours, double kelvin, double atmospheres)
{
    const Rates at = rates(ambient, kelvin, atmospheres);
    const double start = initialThickness(ambient);
    const double startSquared = ambient == Ambient::Dry ? 0.000625 : 0.0;
    // Without oxidant nothing grows on the oxide there is.
    if (at.parabolic == 0.0 && at.linear == 0.0 && hours >= 0.0)
        return start;
    const double a = at.parabolic / at.linear; // µm
    // The time that would have grown the initial oxide: (x0^2 + A x0) / B.
    const double tau = (start * a + startSquared) / at.parabolic;
    const double microns = (std::sqrt(a * a + 4.0 * at.parabolic * (hours + tau)) - a) / 2.0;
    qCDebug(lcProcess) << "Ambient:" << name(ambient) << "Time:" << hours << "Temperature:" << kelvin
                       << "Pressure:" << atmospheres;
    qCDebug(lcProcess) << "B" << at.parabolic << "B/A" << at.linear << "A" << a << "tau" << tau
                       << "Oxide thickness in microns" << microns;
    return microns;
}

QString DealGrove::name(Ambient ambient)
{
    return ambient == Ambient::Dry ? QStringLiteral("dry") : QStringLiteral("wet");
}

QStringList DealGrove::names()
{
    return {name(Ambient::Dry), name(Ambient::Wet)};
}

std::optional<DealGrove::Ambient> DealGrove::fromName(const QString &text)
{
    for (const Ambient ambient : {Ambient::Dry, Ambient::Wet}) {
        if (text.trimmed().compare(name(ambient), Qt::CaseInsensitive) == 0)
            return ambient;
    }
    return std::nullopt;
}

} // namespace Operations
} // namespace Core

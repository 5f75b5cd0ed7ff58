#include "Core/Operations/SiEtching/KohEtchRate.h"

#include "Util/PhysicalConstants.h"

#include <cmath>

namespace Core {
namespace Operations {

namespace {

constexpr double kohMolarMass = 56.11;    // g/mol
constexpr double waterMolarMass = 18.015; // g/mol

} // namespace

double KohEtchRate::solutionDensity(double massFraction)
{
    return 1.00 + 0.97 * massFraction;
}

double KohEtchRate::potassiumHydroxide(double weightPercent)
{
    const double w = weightPercent / 100.0;
    // g/cm^3 times 1000 is g/l.
    return w * solutionDensity(w) * 1000.0 / kohMolarMass;
}

double KohEtchRate::water(double weightPercent)
{
    const double w = weightPercent / 100.0;
    return (1.0 - w) * solutionDensity(w) * 1000.0 / waterMolarMass;
}

double KohEtchRate::micrometresPerHour(Plane plane, double weightPercent, double celsius)
{
    const double k0 = plane == Plane::P100 ? 2480.0 : 4500.0;
    const double activation = plane == Plane::P100 ? 0.595 : 0.60; // eV
    const double kelvin = Util::PhysicalConstants::kelvin(celsius);
    return k0 * std::pow(water(weightPercent), 4.0) * std::pow(potassiumHydroxide(weightPercent), 0.25)
           * std::exp(-activation / (Util::PhysicalConstants::boltzmann * kelvin));
}

} // namespace Operations
} // namespace Core

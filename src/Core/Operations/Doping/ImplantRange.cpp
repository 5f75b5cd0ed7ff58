#include "Core/Operations/Doping/ImplantRange.h"

#include <initializer_list>

namespace Core {
namespace Operations {

namespace {

// c1 E^n + ... + cn E, the highest power first and no constant term.
double polynomial(std::initializer_list<double> coefficients, double e)
{
    double value = 0.0;
    for (const double c : coefficients)
        value = (value + c) * e;
    return value;
}

} // namespace

double ImplantRange::projectedRange(DopantSpecies species, double keV)
{
    switch (species) {
    case DopantSpecies::Boron: return polynomial({-3.308e-6, 3.338e-3}, keV);
    case DopantSpecies::Phosphorus: return polynomial({1.290e-9, -2.743e-7, 1.259e-3}, keV);
    case DopantSpecies::Arsenic: return polynomial({4.608e-13, -3.442e-10, 9.067e-8, -1.022e-5, 9.818e-4}, keV);
    }
    return 0.0;
}

double ImplantRange::straggle(DopantSpecies species, double keV)
{
    switch (species) {
    case DopantSpecies::Boron: return polynomial({5.525e-13, -4.545e-10, 1.403e-7, -2.086e-5, 1.781e-3}, keV);
    case DopantSpecies::Phosphorus: return polynomial({-2.252e-11, 1.371e-8, -3.161e-6, 6.542e-4}, keV);
    case DopantSpecies::Arsenic: return polynomial({1.601e-13, -1.202e-10, 3.235e-8, -3.820e-6, 3.652e-4}, keV);
    }
    return 0.0;
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Doping/ImplantProfile.h"

#include "Core/Operations/Doping/ImplantRange.h"

#include <algorithm>
#include <cmath>

namespace Core {
namespace Operations {

namespace {

constexpr double centimetresPerMicrometre = 1e-4;
const double rootTwoPi = std::sqrt(2.0 * 3.14159265358979323846);

} // namespace

ImplantProfile ImplantProfile::of(DopantSpecies species, double keV, double dose)
{
    return {dose, ImplantRange::projectedRange(species, keV), ImplantRange::straggle(species, keV)};
}

ImplantProfile ImplantProfile::annealed(double d, double seconds) const
{
    ImplantProfile wider = *this;
    wider.straggle = std::sqrt(straggle * straggle + 2.0 * d * seconds);
    return wider;
}

double ImplantProfile::peak() const
{
    return dose / (rootTwoPi * straggle * centimetresPerMicrometre);
}

double ImplantProfile::concentration(double z) const
{
    const double u = (z - range) / straggle;
    return peak() * std::exp(-0.5 * u * u);
}

ImplantProfile::Band ImplantProfile::dopedBand(double background) const
{
    const double top = peak();
    if (!(top > background) || !(straggle > 0.0))
        return {};
    // N(z) = background at |z - Rp| = dRp sqrt(2 ln(peak / background)).
    const double half = straggle * std::sqrt(2.0 * std::log(top / background));
    Band band{std::max(0.0, range - half), range + half};
    return band.isEmpty() ? Band() : band;
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/Doping/Diffusion.h"

#include "Util/PhysicalConstants.h"

#include <cmath>
#include <limits>

namespace Core {
namespace Operations {

double Diffusion::diffusivity(DopantSpecies species, double celsius)
{
    double d0 = 0.0, activation = 0.0; // cm^2/s, eV
    switch (species) {
    case DopantSpecies::Boron: d0 = 0.76, activation = 3.46; break;
    case DopantSpecies::Phosphorus: d0 = 3.85, activation = 3.66; break;
    case DopantSpecies::Arsenic: d0 = 0.066, activation = 3.44; break;
    }
    const double kT = Util::PhysicalConstants::thermalEnergy(Util::PhysicalConstants::kelvin(celsius));
    return d0 * std::exp(-activation / kT);
}

double Diffusion::inverseErfc(double y)
{
    if (!(y < 1.0))
        return 0.0;
    if (!(y > 0.0))
        return std::numeric_limits<double>::infinity();
    // erfc falls monotonically from 1 at 0 to below the smallest double
    // before 27; halving the bracket 200 times leaves the last bit.
    double low = 0.0, high = 27.0;
    for (int i = 0; i < 200 && high - low > 0.0; ++i) {
        const double middle = 0.5 * (low + high);
        if (middle == low || middle == high)
            break;
        (std::erfc(middle) > y ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

double Diffusion::constantSource(double surface, double z, double d, double seconds)
{
    const double length = 2.0 * std::sqrt(d * seconds);
    if (!(length > 0.0))
        return z > 0.0 ? 0.0 : surface;
    return surface * std::erfc(z / length);
}

double Diffusion::constantSourceJunction(double surface, double background, double d, double seconds)
{
    if (!(surface > background))
        return 0.0;
    return 2.0 * std::sqrt(d * seconds) * inverseErfc(background / surface);
}

} // namespace Operations
} // namespace Core

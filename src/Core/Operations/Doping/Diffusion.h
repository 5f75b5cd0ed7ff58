#pragma once

#include "Core/Operations/Doping/DopantSpecies.h"

namespace Core {
namespace Operations {

// Diffusion of dopants in silicon.
//
// The intrinsic diffusivity D = D0 exp(-Ea / kT) after Fair, as tabulated by
// Plummer, Deal and Griffin, Silicon VLSI Technology (Prentice Hall 2000):
// boron D0 = 0.76 cm^2/s, Ea = 3.46 eV; phosphorus 3.85 cm^2/s, 3.66 eV;
// arsenic 0.066 cm^2/s, 3.44 eV.
//
// A constant surface source of concentration Cs gives, after a time t, the
// profile N(z) = Cs erfc(z / (2 sqrt(D t))); the junction lies where it
// falls to the background doping.
class Diffusion
{
public:
    static constexpr double minimumTemperature = 600.0;  // °C
    static constexpr double maximumTemperature = 1300.0; // °C

    // cm^2/s at `celsius`.
    static double diffusivity(DopantSpecies species, double celsius);
    // µm^2/s: 1 cm^2 = 1e8 µm^2.
    static double diffusivityMicrometres(DopantSpecies species, double celsius)
    {
        return diffusivity(species, celsius) * 1e8;
    }

    // The x >= 0 with erfc(x) = y, for 0 < y <= 1; 0 for y >= 1 and
    // infinity for y <= 0.
    static double inverseErfc(double y);

    // cm^-3 at depth `z` (µm) below a constant source of `surface` cm^-3
    // after `seconds` with the diffusivity `d` (µm^2/s).
    static double constantSource(double surface, double z, double d, double seconds);
    // µm: where that profile meets `background` (cm^-3); 0 when the surface
    // concentration does not exceed the background.
    static double constantSourceJunction(double surface, double background, double d, double seconds);
};

} // namespace Operations
} // namespace Core

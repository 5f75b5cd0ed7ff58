#pragma once

namespace Util {

// What the physical process models share.
struct PhysicalConstants
{
    // Boltzmann's constant in eV/K (CODATA 2018).
    static constexpr double boltzmann = 8.617333262e-5;
    static constexpr double kelvin(double celsius) { return celsius + 273.15; }
    // eV at `kelvin`.
    static constexpr double thermalEnergy(double kelvin) { return boltzmann * kelvin; }
};

} // namespace Util

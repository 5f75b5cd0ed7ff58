#pragma once

namespace Core {
namespace Operations {

// The etch rate of silicon in aqueous KOH, after Seidel, Csepregi, Heuberger
// and Baumgaertel, J. Electrochem. Soc. 137 (1990) 3612:
//   R = k0 [H2O]^4 [KOH]^(1/4) exp(-Ea / kT)
// with the concentrations in mol/l and R in µm/h; (100): k0 = 2480 µm/h
// (mol/l)^-4.25, Ea = 0.595 eV; (110): k0 = 4500, Ea = 0.60 eV. The molar
// concentrations come from the mass fraction w through the solution's
// density, taken as 1.00 + 0.97 w g/cm^3 (within about 2 % over 10 to 50
// wt %). 30 wt % at 70 °C etches (100) at 0.77 µm/min.
class KohEtchRate
{
public:
    enum class Plane { P100, P110 };

    // The concentrations and temperatures the model is offered for.
    static constexpr double minimumConcentration = 10.0; // wt %
    static constexpr double maximumConcentration = 60.0;
    static constexpr double minimumTemperature = 20.0;   // °C
    static constexpr double maximumTemperature = 100.0;

    // g/cm^3 for a KOH mass fraction from 0 to 1.
    static double solutionDensity(double massFraction);
    // mol/l of KOH and of water in a solution of `weightPercent` wt % KOH.
    static double potassiumHydroxide(double weightPercent);
    static double water(double weightPercent);

    static double micrometresPerHour(Plane plane, double weightPercent, double celsius);
    static double micrometresPerMinute(Plane plane, double weightPercent, double celsius)
    {
        return micrometresPerHour(plane, weightPercent, celsius) / 60.0;
    }
};

} // namespace Operations
} // namespace Core

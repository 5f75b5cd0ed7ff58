#pragma once

#include "Core/Operations/Doping/DopantSpecies.h"

namespace Core {
namespace Operations {

// Projected range Rp and straggle dRp of boron, phosphorus and arsenic ions
// implanted into silicon, from the polynomial fits in the energy E (keV)
// given by Selberherr, Analysis and Simulation of Semiconductor Devices
// (Springer 1984), ch. 3. Boron at 50 keV: Rp = 0.159 µm, dRp = 0.052 µm;
// phosphorus at 100 keV: 0.124 and 0.045 µm.
//
// The fits hold up to 300 keV. Above it they leave the tables they were made
// from (the boron straggle grows to 2 µm at 500 keV, the phosphorus straggle
// turns negative), so the energies offered stop there.
class ImplantRange
{
public:
    static constexpr double minimumEnergy = 5.0;   // keV
    static constexpr double maximumEnergy = 300.0; // keV

    // µm at `keV`.
    static double projectedRange(DopantSpecies species, double keV);
    static double straggle(DopantSpecies species, double keV);
};

} // namespace Operations
} // namespace Core

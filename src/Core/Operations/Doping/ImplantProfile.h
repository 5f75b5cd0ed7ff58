#pragma once

#include "Core/Operations/Doping/DopantSpecies.h"

namespace Core {
namespace Operations {

// An implanted dose as the Gaussian about the projected range,
//   N(z) = dose / (sqrt(2 pi) dRp) exp(-(z - Rp)^2 / (2 dRp^2)),
// z measured from the top surface of whatever the ions enter. An anneal of
// time t at the diffusivity D widens it to dRp^2 + 2 D t and keeps the dose.
struct ImplantProfile
{
    double dose = 0.0;     // cm^-2
    double range = 0.0;    // Rp, µm
    double straggle = 0.0; // dRp, µm

    // The profile of `dose` ions of `species` at `keV` (ImplantRange).
    static ImplantProfile of(DopantSpecies species, double keV, double dose);
    // After `seconds` at the diffusivity `d` (µm^2/s).
    ImplantProfile annealed(double d, double seconds) const;

    // cm^-3.
    double peak() const;
    double concentration(double z) const;

    // The depths (µm) between which the profile exceeds a background, the
    // upper one no higher than the surface.
    struct Band
    {
        double top = 0.0;
        double bottom = 0.0;
        bool isEmpty() const { return !(bottom > top); }
    };
    // Empty when the peak does not exceed `background` (cm^-3); the bottom
    // is the junction depth.
    Band dopedBand(double background) const;
};

} // namespace Operations
} // namespace Core

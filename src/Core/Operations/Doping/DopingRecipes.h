#pragma once

#include "Core/Operations/Doping/DopantSpecies.h"
#include "Core/Operations/Doping/ImplantProfile.h"

#include <QString>
#include <QStringList>

namespace Core {
namespace Operations {

class ProcessEffect;

// The values the physical doping modes offer, shared by both recipes.
struct DopingLimits
{
    static constexpr double maximumDose = 1e18;          // cm^-2
    static constexpr double minimumBackground = 1e10;    // cm^-3
    static constexpr double maximumBackground = 1e21;
    static constexpr double minimumSurface = 1e12;       // cm^-3
    static constexpr double maximumSurface = 1e22;
    static constexpr double maximumMinutes = 100000.0;
    static constexpr double defaultBackground = 1e15;
};

// An ion implantation in a designer's terms: species, energy and dose into a
// substrate of a background doping, and an optional anneal that widens the
// profile. Cells where the profile exceeds the background are doped.
struct ImplantRecipe
{
    DopantSpecies species = DopantSpecies::Boron;
    double energy = 50.0;                                // keV
    double dose = 1e15;                                  // cm^-2
    double background = DopingLimits::defaultBackground; // cm^-3
    double annealMinutes = 0.0;
    double annealTemperature = 1000.0;                   // °C

    // The Gaussian as implanted and after the anneal.
    ImplantProfile asImplanted() const;
    ImplantProfile profile() const;
    ImplantProfile::Band band() const { return profile().dopedBand(background); }

    // What the implant reaches: "B 50 keV, 1e15 cm⁻²: Rp 0.1586 µm, ΔRp
    // 0.05177 µm", "peak 7.71e19 cm⁻³", "junction depth 0.4042 µm".
    QStringList notes() const;
    // Adds the notes to a finish line, and why the run may dope nothing.
    void describe(ProcessEffect &effect, double cellHeight) const;
};

// A diffusion from a constant surface source: species and surface
// concentration, temperature and time, into a background doping. Cells
// within the junction depth of the exposed surface are doped.
struct DiffusionRecipe
{
    DopantSpecies species = DopantSpecies::Phosphorus;
    double surface = 1e20;                               // cm^-3
    double temperature = 1000.0;                         // °C
    double minutes = 30.0;
    double background = DopingLimits::defaultBackground; // cm^-3

    // µm.
    double junctionDepth() const;
    // "P from 1e20 cm⁻³ at the surface, 30 min at 1000 °C", "junction depth 0.2964 µm".
    QStringList notes() const;
    // Adds the notes to a finish line, and why the run may dope nothing.
    void describe(ProcessEffect &effect, double cellSize) const;
};

// "7.71e19 cm⁻³"
QString concentrationText(double perCubicCentimetre);

} // namespace Operations
} // namespace Core

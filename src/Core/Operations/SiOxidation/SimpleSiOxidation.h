#pragma once

#include "Core/Operations/SiOxidation/DealGrove.h"

#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
} // namespace Model

namespace Util {
class IProgress;
}

namespace Core {
namespace Operations {

class ProcessEffect;

// Thermal oxidation of the silicon exposed to the empty space of a volume.
// The oxide grows on the surface front from every oxidisable cell that has an
// empty face neighbour: 44 % of the thickness into the oxidisable material
// (the silicon it consumes) and 56 % outward into the empty space. Every cell
// the front reaches within its limit becomes thermal oxide; other solids are
// barriers and never change. The thickness comes either directly, in
// micrometres, or from an oxidation time, temperature and pressure
// (Deal-Grove). The growth works in scene lengths (one scene unit is one
// micrometre) through the volume's cell sizes, which may differ per axis.
class SimpleSiOxidation
{
public:
    static constexpr std::uint32_t oxideMaterial = 3;
    // Shares of the oxide thickness below and above the old surface.
    static constexpr double inwardShare = 0.44;
    static constexpr double outwardShare = 0.56;

    // The oxidisable materials are those the process catalogue accepts for
    // the oxidation's record.
    // `cellUnitsPerMicron` turns the Deal-Grove micrometres into scene units;
    // 1 (one scene unit is one micrometre) keeps them.
    SimpleSiOxidation(Model::Automaton::TotalVolume *volume, double cellUnitsPerMicron);

    // Deal-Grove oxide thickness in microns after `hours` at `kelvin` and
    // `atmospheres` of oxygen, starting from a 25 nm native oxide. Not a
    // number for conditions outside the model (no temperature, negative time).
    static double dealGroveMicrons(double hours, double kelvin, double atmospheres)
    {
        return DealGrove::thickness(DealGrove::Ambient::Dry, hours, kelvin, atmospheres);
    }

    // Grows the Deal-Grove thickness in the ambient times the conversion.
    void oxidateFor(double hours, double kelvin, double atmospheres,
                    DealGrove::Ambient ambient = DealGrove::Ambient::Dry);
    // Grows `micrometres` of oxide (a scene length). An oxide no thicker than
    // the smallest cell size (or a thickness that is not a number) changes
    // nothing.
    void oxidateTo(double micrometres);

    // Strips of the surface front; 0 (the default) uses the global pool.
    void setStripCount(unsigned count) { stripCount = count; }
    // Follows the growth: steps done out of the step count.
    void setProgress(Util::IProgress *listener) { progress = listener; }
    // The thickness of the last oxidateTo(), in micrometres.
    double getTarget() const { return target; }

    // The finish line's notes of a run that grew `thickness` micrometres,
    // and why one might grow nothing (an oxide no thicker than a cell).
    static void describe(ProcessEffect &effect, const Model::Automaton::TotalVolume &volume, double thickness);
    // The note of the time mode: "wet oxidation 1 h at 1273 K, 1 atm".
    static void describeConditions(ProcessEffect &effect, DealGrove::Ambient ambient, double hours, double kelvin,
                                   double atmospheres);

private:
    Model::Automaton::TotalVolume *volume;
    double cellUnitsPerMicron;
    std::vector<std::uint32_t> oxidizable; // ascending
    unsigned stripCount = 0;
    Util::IProgress *progress = nullptr;
    double target = 0.0;
};

} // namespace Operations
} // namespace Core

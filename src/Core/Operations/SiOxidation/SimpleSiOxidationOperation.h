#pragma once

#include "Core/Operations/Lifecycle/VolumeProcessOperation.h"
#include "Core/Operations/SiOxidation/DealGrove.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Grows thermal oxide on the selected volume, either to a thickness in
// micrometres or for an oxidation time, temperature and pressure. Undoable like
// every process that changes cells; it always marks the silicon lattice of
// the volume out of date.
class SimpleSiOxidationOperation : public VolumeProcessOperation
{
public:

    explicit SimpleSiOxidationOperation(Workspace *workspace);

    // The thickness mode: micrometres, the scene length as it is.
    void setThickness(double micrometres);
    // The time mode: hours, kelvin, atmospheres, in dry oxygen or in steam.
    void setOxidationConditions(double hours, double kelvin, double atmospheres,
                                DealGrove::Ambient ambient = DealGrove::Ambient::Dry);
    // Scene units per micrometre of the time mode's Deal-Grove thickness
    // (1 unless a process list says otherwise).
    void setCellUnitsPerMicron(double value);

    bool isThicknessSet() const { return thicknessSet; }
    bool isTimeSet() const { return timeSet; }

    // Without a selected volume, the only object of the document is taken
    // when it is a cell volume.
    void step() override;
    // Cancels without a volume; waits (does nothing) while neither mode is set.
    void end() override;

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    double thickness = 0.0;
    double time = 0.0;
    double temperature = 0.0;
    double pressure = 0.0;
    DealGrove::Ambient ambient = DealGrove::Ambient::Dry;
    double cellUnitsPerMicron = 1.0;
    double grown = 0.0; // the thickness of the last run, µm
    bool thicknessSet = false;
    bool timeSet = false;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Lifecycle/FilmProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Electroplates a film of one material onto the exposed surfaces of the
// conducting material of the selected volume.
class ElectrodepositionOperation : public FilmProcessOperation
{
public:

    explicit ElectrodepositionOperation(Workspace *workspace);

    void setThickness(float value) { setLength(value); }
    void setConductingMaterial(std::uint32_t id);

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;

private:
    std::uint32_t conductingMaterial = 0;
};

} // namespace Operations
} // namespace Core

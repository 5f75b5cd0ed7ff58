#pragma once

#include "VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Coats every exposed surface of the selected volume with a film of one
// material and a given thickness.
class IsotropicFilmDepositionOperation : public VolumeProcessOperation
{
public:
    static constexpr std::uint32_t operationId = 13;

    explicit IsotropicFilmDepositionOperation(Workspace *workspace);

    // Each setter adds 1 to the state; finishing needs both after the selection.
    void setThickness(float value);
    void setMaterial(std::uint32_t id);
    float getThickness() const { return thickness; }
    std::uint32_t getMaterial() const { return material; }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    bool mayDepositSilicon() const override;

private:
    std::uint32_t material = 0;
    float thickness = 0.0f;
};

} // namespace Operations
} // namespace Core

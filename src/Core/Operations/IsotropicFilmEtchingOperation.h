#pragma once

#include "VolumeProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Removes one material to a given depth from every surface of the selected
// volume that touches empty space; other materials mask it.
class IsotropicFilmEtchingOperation : public VolumeProcessOperation
{
public:
    static constexpr std::uint32_t operationId = 14;

    explicit IsotropicFilmEtchingOperation(Workspace *workspace);

    // Each setter adds 1 to the state; finishing needs both after the selection.
    void setDepth(float value);
    void setMaterial(std::uint32_t id);
    float getDepth() const { return depth; }
    std::uint32_t getMaterial() const { return material; }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    bool mayDepositSilicon() const override;

private:
    std::uint32_t material = 0;
    float depth = 0.0f;
};

} // namespace Operations
} // namespace Core

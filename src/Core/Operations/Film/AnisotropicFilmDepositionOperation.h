#pragma once

#include "Core/Operations/Lifecycle/FilmProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Directional (PVD) deposition on the selected volume: a film of one
// material on the faces that look up, down or both.
class AnisotropicFilmDepositionOperation : public FilmProcessOperation
{
public:
    // The id this operation records for its volume: the isotropic
    // deposition's, although the PVD command that builds it is 27.

    explicit AnisotropicFilmDepositionOperation(Workspace *workspace);

    void setThickness(float value) { setLength(value); }
    // Greater than 0; anything else leaves the ratio as it was.
    void setRatio(float value);
    // 1 on top, 2 on bottom, 3 both; anything else leaves the side as it was.
    void setDepositOn(std::uint32_t side);

    // "On Top", "On Bottom", "On Top and Bottom"; empty for any other value.
    static QString sideText(std::uint32_t side);

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;

private:
    float ratio = 0.5f;
    std::uint32_t side = 1;
};

} // namespace Operations
} // namespace Core

#pragma once

#include "Core/Operations/Lifecycle/FilmProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Coats every exposed surface of the selected volume with a film of one
// material and a given thickness.
class IsotropicFilmDepositionOperation : public FilmProcessOperation
{
public:

    explicit IsotropicFilmDepositionOperation(Workspace *workspace);

    void setThickness(float value) { setLength(value); }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
};

} // namespace Operations
} // namespace Core

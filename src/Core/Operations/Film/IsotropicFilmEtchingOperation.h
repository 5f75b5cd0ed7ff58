#pragma once

#include "Core/Operations/Lifecycle/FilmProcessOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// Removes one material to a given depth from every surface of the selected
// volume that touches empty space; other materials mask it.
class IsotropicFilmEtchingOperation : public FilmProcessOperation
{
public:

    explicit IsotropicFilmEtchingOperation(Workspace *workspace);

    void setDepth(float value) { setLength(value); }

protected:
    void runProcess(Model::Automaton::TotalVolume &volume) override;
    QString lengthName() const override { return QStringLiteral("depth"); }
    void describeEffect(Model::Automaton::TotalVolume &volume, ProcessEffect &effect) const override;
};

} // namespace Operations
} // namespace Core

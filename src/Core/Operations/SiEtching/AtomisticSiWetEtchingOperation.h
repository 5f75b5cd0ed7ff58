#pragma once

#include "Core/Operations/SiEtching/SiWetEtchOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// The bond-counting wet etch of the selected volume's silicon.
class AtomisticSiWetEtchingOperation : public SiWetEtchOperation
{
public:

    explicit AtomisticSiWetEtchingOperation(Workspace *workspace);

protected:
    std::unique_ptr<SiWetEtchEngine> makeEngine(Model::Automaton::TotalVolume *volume) const override;
};

} // namespace Operations
} // namespace Core

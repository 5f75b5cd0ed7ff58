#pragma once

#include "Core/Operations/SiEtching/SiWetEtchOperation.h"

#include <cstdint>

namespace Core {
namespace Operations {

// The continuous cellular-automaton wet etch of the selected volume's silicon.
class ContinousWetEtchOperation : public SiWetEtchOperation
{
public:

    explicit ContinousWetEtchOperation(Workspace *workspace);

protected:
    std::unique_ptr<SiWetEtchEngine> makeEngine(Model::Automaton::TotalVolume *volume) const override;
};

} // namespace Operations
} // namespace Core

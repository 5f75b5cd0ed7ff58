#pragma once

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"

namespace Core {
namespace Operations {

// Bond-counting wet etch: a surface atom stays while all four of its bonds
// lead to present atoms, or while it keeps three bonds to fully bonded
// neighbours (a (111) terrace site); any other surface atom dissolves. (100)
// planes therefore go one atomic layer per step and (111) planes stop the etch.
class AtomicStructureSimpleSiWetEtch : public SiWetEtchEngine
{
public:
    using SiWetEtchEngine::SiWetEtchEngine;

protected:
    bool dissolves(const Model::Automaton::SiLattice &lattice, FrontAtom &atom) const override;
};

} // namespace Operations
} // namespace Core

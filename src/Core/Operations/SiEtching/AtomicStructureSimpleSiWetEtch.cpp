#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"

namespace Core {
namespace Operations {

bool AtomicStructureSimpleSiWetEtch::dissolves(const Model::Automaton::SiLattice &lattice, FrontAtom &atom) const
{
    const int bonds = lattice.presentNeighbourCount(atom.id);
    if (bonds == 4)
        return false;
    // Three neighbours, each bonded on all four sides, add up to 9.
    return !(bonds == 3 && lattice.secondNeighbourCount(atom.id) >= 9);
}

} // namespace Operations
} // namespace Core

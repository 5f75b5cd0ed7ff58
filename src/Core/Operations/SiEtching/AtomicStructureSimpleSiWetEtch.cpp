#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"

namespace Core {
namespace Operations {

bool AtomicStructureSimpleSiWetEtch::dissolves(const Model::Automaton::SiLattice &lattice, FrontAtom &atom) const
{
    const Model::Automaton::SiLattice::Site site = lattice.site(atom.id);
    const int bonds = lattice.presentNeighbourCount(site);
    if (bonds == 4)
        return false;
    // Three neighbours, each bonded on all four sides, add up to 9.
    return !(bonds == 3 && lattice.secondNeighbourCount(site) >= 9);
}

} // namespace Operations
} // namespace Core

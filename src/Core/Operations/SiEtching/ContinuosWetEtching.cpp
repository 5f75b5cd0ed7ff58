#include "Core/Operations/SiEtching/ContinuosWetEtching.h"

#include "Util/Logging.h"

#include <algorithm>
#include <cmath>

namespace Core {
namespace Operations {

using Model::Automaton::SiLattice;

namespace {

struct Configuration
{
    unsigned ns1, nb1, ns2, nb2;
    double rate;
};

constexpr Configuration configurations[ContinuosWetEtching::unlistedConfiguration] = {
    {0, 3, 4, 7, 0.00867}, {0, 3, 6, 5, 0.00867}, {0, 3, 3, 7, 0.00867}, {0, 3, 5, 5, 0.00867},
    {0, 3, 2, 7, 0.00867}, {0, 3, 4, 5, 0.00867}, {0, 3, 6, 3, 0.00867}, {1, 2, 3, 6, 4.115},
    {1, 2, 2, 6, 4.208},   {1, 2, 3, 5, 6.449},   {1, 2, 2, 5, 3.932},   {1, 2, 4, 3, 6.449},
    {2, 1, 4, 5, 5.223},   {2, 1, 1, 6, 4.115},   {2, 1, 2, 5, 4.115},   {2, 1, 4, 3, 5.223},
    {2, 1, 0, 6, 4.847},   {2, 1, 1, 5, 4.847},   {0, 2, 5, 5, 3.188},   {0, 2, 2, 6, 3.188},
    {0, 2, 3, 5, 3.188},   {0, 2, 4, 4, 3.188},   {0, 2, 3, 4, 7.0},     {0, 2, 5, 2, 7.0},
    {1, 1, 4, 5, 6.5},     {1, 1, 2, 5, 6.5},     {1, 1, 3, 4, 5.49},    {1, 1, 2, 4, 5.0},
    {1, 1, 3, 3, 5.0},     {0, 1, 6, 3, 6.0},     {0, 1, 4, 3, 6.0},     {0, 1, 5, 2, 6.0},
    {0, 1, 6, 1, 4.115},
};

constexpr double slowestRate = 0.00867;
constexpr double fastestRate = 7.0;
// The slowest rate of a site that is not (111)-like.
constexpr double slowestOpenRate = 3.188;

// First-neighbour counts stay within 0..4, second-neighbour counts within 0..12.
constexpr unsigned firstRange = 5;
constexpr unsigned secondRange = 13;

struct ConfigurationIndex
{
    unsigned char id[firstRange][firstRange][secondRange][secondRange];
    ConfigurationIndex()
    {
        std::fill(&id[0][0][0][0], &id[0][0][0][0] + sizeof(id), ContinuosWetEtching::unlistedConfiguration);
        for (unsigned c = 0; c < ContinuosWetEtching::unlistedConfiguration; ++c) {
            const Configuration &k = configurations[c];
            id[k.ns1][k.nb1][k.ns2][k.nb2] = static_cast<unsigned char>(c);
        }
    }
};

unsigned lookUp(unsigned ns1, unsigned nb1, unsigned ns2, unsigned nb2)
{
    static const ConfigurationIndex index;
    if (ns1 >= firstRange || nb1 >= firstRange || ns2 >= secondRange || nb2 >= secondRange)
        return ContinuosWetEtching::unlistedConfiguration;
    return index.id[ns1][nb1][ns2][nb2];
}

// Counts a neighbour that is present: a fixed atom, or a silicon atom whose
// four bonds all lead to present atoms, is bulk-like; other silicon atoms
// are surface-like. Absent atoms and open bonds count for neither.
void countNeighbour(const SiLattice &lattice, const SiLattice::Site &site, unsigned &surface, unsigned &bulk)
{
    const SiLattice::State state = lattice.state(lattice.atomId(site));
    if (state == SiLattice::Fixed || (state == SiLattice::Silicon && lattice.presentNeighbourCount(site) == 4))
        ++bulk;
    else if (state == SiLattice::Silicon)
        ++surface;
}

} // namespace

unsigned ContinuosWetEtching::getAtomicConfiguration(unsigned ns1, unsigned nb1, unsigned ns2, unsigned nb2)
{
    const unsigned id = lookUp(ns1, nb1, ns2, nb2);
    if (id == unlistedConfiguration)
        qCDebug(lcProcess).nospace() << "Unexpected configuration found (ns1, nb1, ns2, nb2): (" << ns1 << ","
                                     << nb1 << "," << ns2 << "," << nb2 << ")";
    return id;
}

double ContinuosWetEtching::rateOf(unsigned ns1, unsigned nb1, unsigned ns2, unsigned nb2)
{
    const unsigned id = getAtomicConfiguration(ns1, nb1, ns2, nb2);
    if (id != unlistedConfiguration)
        return configurations[id].rate;
    return nb1 >= 3 ? slowestRate : fastestRate;
}

std::uint64_t ContinuosWetEtching::stallSteps() const
{
    return std::uint64_t(std::ceil(1.0 / (slowestOpenRate * timeStep)));
}

bool ContinuosWetEtching::dissolves(const SiLattice &lattice, FrontAtom &atom) const
{
    const SiLattice::Site site = lattice.site(atom.id);
    unsigned ns1 = 0, nb1 = 0, ns2 = 0, nb2 = 0;
    for (int slot = 0; slot < 4; ++slot) {
        if (lattice.hasBoundaryAtom(atom.id, slot)) {
            ++nb1; // a boundary atom is fixed and has no further bonds
            continue;
        }
        SiLattice::Site first;
        if (lattice.step(site, slot, first) && lattice.inLattice(lattice.atomId(first)))
            countNeighbour(lattice, first, ns1, nb1);
    }
    if (ns1 + nb1 == 4)
        return false;

    // Second neighbours are reached through every first neighbour, absent ones
    // included, leaving out the bond back to this atom.
    for (int slot = 0; slot < 4; ++slot) {
        SiLattice::Site first;
        if (lattice.hasBoundaryAtom(atom.id, slot) || !lattice.step(site, slot, first))
            continue;
        const SiLattice::AtomId firstId = lattice.atomId(first);
        if (!lattice.inLattice(firstId))
            continue;
        for (int next = 0; next < 4; ++next) {
            if (next == 3 - slot)
                continue;
            if (lattice.hasBoundaryAtom(firstId, next)) {
                ++nb2;
                continue;
            }
            SiLattice::Site second;
            if (lattice.step(first, next, second) && lattice.inLattice(lattice.atomId(second)))
                countNeighbour(lattice, second, ns2, nb2);
        }
    }
    const double left = double(atom.occupation) - rateOf(ns1, nb1, ns2, nb2) * timeStep;
    if (left < 1e-6) {
        atom.occupation = 0.0f;
        return true;
    }
    atom.occupation = float(left);
    return false;
}

} // namespace Operations
} // namespace Core

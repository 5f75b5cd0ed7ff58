#pragma once

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"

#include <array>

namespace Core {
namespace Operations {

// Continuous cellular-automaton wet etch: every surface atom starts with
// occupation 1 and loses rate * timeStep per step, the rate chosen by its
// neighbourhood configuration (surface-like and bulk-like first and second
// neighbours); it dissolves when its occupation is used up. (111)-like sites
// dissolve some 400 to 800 times more slowly than the others.
class ContinuosWetEtching : public SiWetEtchEngine
{
public:
    // Configurations 0 to 32 have a tabulated rate; 33 stands for any other.
    static constexpr unsigned unlistedConfiguration = 33;
    static constexpr double timeStep = 0.1;

    using SiWetEtchEngine::SiWetEtchEngine;

    // The configuration id of (ns1, nb1, ns2, nb2), or 33 when it is not tabulated.
    static unsigned getAtomicConfiguration(unsigned ns1, unsigned nb1, unsigned ns2, unsigned nb2);
    // Occupation lost per unit of time. An untabulated configuration takes
    // the (111) rate when three or more first neighbours are bulk and the
    // fastest tabulated rate otherwise, so loose atoms never linger.
    static double rateOf(unsigned ns1, unsigned nb1, unsigned ns2, unsigned nb2);
    // A (100) floor atom keeps its two bulk neighbours below until it goes,
    // at the rate 3.188 of its configurations: ceil(1 / (3.188 * 0.1)) = 4
    // steps for each atomic layer.
    std::uint64_t stepsPerLayer() const override { return 4; }

protected:
    bool dissolves(const Model::Automaton::SiLattice &lattice, FrontAtom &atom) const override;
    // Any atom but a (111)-like one goes within four steps while its
    // neighbourhood stays: ceil(1 / (3.188 * 0.1)).
    std::uint64_t stallSteps() const override;
};

} // namespace Operations
} // namespace Core

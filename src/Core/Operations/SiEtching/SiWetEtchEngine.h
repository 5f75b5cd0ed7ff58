#pragma once

#include "Model/Automaton/SiLattice.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
struct Voxel;
}
}

namespace Util {
class IProgress;
}

namespace Core {
namespace Operations {

// The threaded wet etch of the volume's silicon lattice, shared by the etch
// rules: a rule decides per surface atom and step whether it dissolves (and
// may lower its remaining occupation); everything else is here.
//
// The volume is cut into strips of cell columns along x, one per pool thread;
// an atom belongs to the strip that holds its cell. Initialization restores
// the atoms of partly etched silicon cells, closes bonds that lead outside
// the volume or into other materials with boundary atoms and collects the
// exposed atoms (a bond facing an empty cell) as each strip's front. Each of
// the 4 * depth steps (one (100) layer each) has two passes over all strips
// with a join between them:
//   1. the rule looks at every silicon atom of the front; a dissolving atom
//      lowers its cell's counter (emptying the cell at 0) and sends its
//      present neighbours to the next front, or to the hand-over list of
//      the strip below or above when they lie there;
//   2. dissolved atoms are marked absent and the neighbours' hand-over lists
//      are taken over.
// An atom joins a front only once (the lattice carries a front mark that only
// the owning strip writes), so fronts need no sorting. Pass 1 only reads
// atom states and pass 2 only writes them, and every decision of a step is
// taken on the states before it, so the result depends neither on the strip
// count, nor on scheduling, nor on the order of a front. Only the front is
// visited; the lists hold 32-bit atom ids (no per-atom allocation).
class SiWetEtchEngine
{
public:
    using AtomId = Model::Automaton::SiLattice::AtomId;

    // One atom of a front with its remaining occupation (1 until the rule lowers it).
    struct FrontAtom
    {
        AtomId id;
        float occupation;
    };

    SiWetEtchEngine(Model::Automaton::TotalVolume *volume, double depth);
    virtual ~SiWetEtchEngine();

    SiWetEtchEngine(const SiWetEtchEngine &) = delete;
    SiWetEtchEngine &operator=(const SiWetEtchEngine &) = delete;

    // Etches the volume's lattice (built beforehand) and folds the result
    // into the cells. Holds the volume's cell lock throughout.
    void runEtching();

    void setProgress(Util::IProgress *listener) { progress = listener; }

    // floor(4 * depth + 0.5): four steps etch one lattice unit.
    static std::uint64_t stepCountFor(double depth);
    std::uint64_t getStepCount() const { return stepCount; }
    // Steps actually run: stepping stops once a step changed nothing.
    std::uint64_t getStepsRun() const { return stepsRun; }
    // Front atoms the rule looked at, and the atoms visited by the initialization.
    std::uint64_t getAtomVisits() const { return atomVisits; }
    std::uint64_t getInitializationVisits() const { return initializationVisits; }
    std::uint64_t getRemovedAtoms() const { return removedAtoms; }
    unsigned getThreadCount() const { return threadCount; }

protected:
    // The rule: true when the (silicon) atom dissolves in this step; it may
    // lower `atom.occupation` instead. Called from several threads at once;
    // it may only read the lattice.
    virtual bool dissolves(const Model::Automaton::SiLattice &lattice, FrontAtom &atom) const = 0;

private:
    struct Strip;

    void runPartialRestore(Strip &strip);
    void runPartialInitialization(std::size_t index);
    void treatMissingNeighbors(AtomId atom, Strip &strip);
    void runPartialEtchingStep(std::size_t index);
    void commitEtchingStep(std::size_t index);
    void finishEtching();
    // Strip index of a volume cell column.
    std::size_t stripOf(std::int64_t column) const;

    Model::Automaton::TotalVolume *volume;
    double depth;
    std::uint64_t stepCount;
    std::uint64_t stepsRun = 0;
    std::uint64_t atomVisits = 0;
    std::uint64_t initializationVisits = 0;
    std::uint64_t removedAtoms = 0;
    unsigned threadCount = 1;
    Model::Automaton::SiLattice *lattice = nullptr;
    Model::Automaton::Voxel *cells = nullptr;
    std::vector<std::unique_ptr<Strip>> strips;
    Util::IProgress *progress = nullptr;
};

} // namespace Operations
} // namespace Core

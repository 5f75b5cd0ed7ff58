#pragma once

#include "Model/Automaton/SiLattice.h"

#include <QString>

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

class ProcessEffect;

// The threaded wet etch of the volume's silicon lattice, shared by the etch
// rules: a rule decides per surface atom and step whether it dissolves (and
// may lower its remaining occupation); everything else is here.
//
// The volume is cut into strips of cell columns along x, one per pool thread;
// an atom belongs to the strip that holds its cell. Initialization restores
// the atoms of partly etched silicon cells, closes bonds that lead outside
// the volume or into other materials with boundary atoms and collects the
// exposed atoms (a bond facing an empty cell) as each strip's front. The
// depth is in micrometres; each of the 4 * depth / lattice unit steps (one
// (100) layer each, four per cell of cubic cells) has two passes over all
// strips with a join between them:
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
//
// The run measures how deep it went (the lowest cell it emptied below the
// highest silicon cell it started with) and notes whether it stopped before
// the depth asked: no step changed anything any more, or the front stood
// still for as many steps as the rule needs to take any atom it can take.
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

    // `depth` in micrometres.
    SiWetEtchEngine(Model::Automaton::TotalVolume *volume, double depth);
    virtual ~SiWetEtchEngine();

    SiWetEtchEngine(const SiWetEtchEngine &) = delete;
    SiWetEtchEngine &operator=(const SiWetEtchEngine &) = delete;

    // Etches the volume's lattice (built beforehand) and folds the result
    // into the cells. Holds the volume's cell lock throughout.
    void runEtching();

    void setProgress(Util::IProgress *listener) { progress = listener; }
    // Paces the run by the (100) floor: as many steps as the rule needs to
    // lower a flat (100) floor the whole depth (what an etchant's rate and
    // a time ask for), instead of four steps per lattice unit of depth.
    // Call before runEtching().
    void setFloorPaced(bool paced) { floorPaced = paced; }
    // Steps the rule takes to dissolve one atomic (100) layer of a flat floor.
    virtual std::uint64_t stepsPerLayer() const { return 1; }

    // floor(4 * depth + 0.5) for a depth in lattice units: four steps etch one
    // lattice unit (one cell of cubic cells).
    static std::uint64_t stepCountFor(double latticeUnits);
    std::uint64_t getStepCount() const { return stepCount; }
    // Steps actually run: stepping stops once a step changed nothing.
    std::uint64_t getStepsRun() const { return stepsRun; }
    // Front atoms the rule looked at, and the atoms visited by the initialization.
    std::uint64_t getAtomVisits() const { return atomVisits; }
    std::uint64_t getInitializationVisits() const { return initializationVisits; }
    std::uint64_t getRemovedAtoms() const { return removedAtoms; }
    unsigned getThreadCount() const { return threadCount; }

    double getDepth() const { return depth; }
    // How deep the run emptied cells, in micrometres: from the top of the
    // highest silicon cell before the run down to the bottom of the lowest
    // cell it emptied (whole cells times the cell height); 0 when it emptied none.
    double getReachedDepth() const { return double(reachedCells) * cellHeight; }
    std::uint32_t getReachedCells() const { return reachedCells; }
    // The last step that removed an atom (1 for the first), 0 when none did.
    std::uint64_t getLastRemovalStep() const { return lastRemovalStep; }
    // The etch ended short of the depth asked: steps were left out because
    // nothing changed any more, or the last stallSteps() steps removed nothing.
    bool stoppedEarly() const;
    // What the user reads when the etch stopped early, for example "etched
    // 8 um of the 10 um asked; the pits closed on their {111} walls"; empty
    // otherwise.
    QString stopReport() const;

    // What a run did, kept for its finish line after the engine is gone.
    struct Outcome
    {
        double asked = 0.0;   // µm
        double reached = 0.0; // µm, see getReachedDepth()
        bool stoppedEarly = false;
        QString why;          // why it stopped early
        std::uint64_t removedAtoms = 0;
    };
    Outcome outcome() const;
    // Adds to a finish line how deep the etch went ("depth 8 µm of the 10 µm
    // asked: the pits closed on their {111} walls", or "depth 10 µm"), and
    // the atoms it dissolved inside cells it did not empty.
    static void describe(const Outcome &outcome, ProcessEffect &effect);

protected:
    // The rule: true when the (silicon) atom dissolves in this step; it may
    // lower `atom.occupation` instead. Called from several threads at once;
    // it may only read the lattice.
    virtual bool dissolves(const Model::Automaton::SiLattice &lattice, FrontAtom &atom) const = 0;
    // Steps in a row without a removal after which the front holds only
    // atoms the rule keeps (for as long as nothing around them changes).
    virtual std::uint64_t stallSteps() const { return 1; }

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
    std::uint64_t lastRemovalStep = 0;
    std::uint32_t reachedCells = 0;
    bool reachedBottom = false;
    bool floorPaced = false;
    double cellHeight;
    unsigned threadCount = 1;
    Model::Automaton::SiLattice *lattice = nullptr;
    Model::Automaton::Voxel *cells = nullptr;
    std::vector<std::unique_ptr<Strip>> strips;
    Util::IProgress *progress = nullptr;
};

} // namespace Operations
} // namespace Core

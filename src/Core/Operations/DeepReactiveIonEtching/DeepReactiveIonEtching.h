#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
} // namespace Model

namespace Util {
class IProgress;
}

namespace Core {
namespace Operations {

class ProcessEffect;

// The cyclic deep etch of one material: every cycle
//   1. coats every exposed surface with a fluorocarbon polymer of the
//      passivation thickness (a conformal deposition on the surface front;
//      the polymer of the cycle before is taken off first, so the coat on
//      the walls does not pile up);
//   2. clears the polymer where the ions strike: in every column, the
//      polymer at the top of the first solid seen from straight above, to
//      the depth of the coat (whole-column work), so floors open and the
//      coat on the walls stays;
//   3. etches the exposed material isotropically: every empty cell beside
//      it is the centre of a ball of the etch per cycle (surface front, the
//      distance taken through the material) and, with aspect-ratio-dependent
//      etching on, of the etch per cycle times the cell's view factor to the
//      open sky (FluxEngine, 1 on an open flat surface), so the floor of a
//      narrow slot lags behind a wide one. The radii are rounded to whole
//      cells; each floor carries the remainder on to the next cycle (one
//      number per column), so a floor that should go down 2.4 cells a cycle
//      goes down 12 in five cycles.
// The walls come out scalloped: each cycle's etch is a bowl under the edge
// of the coat, and neighbouring bowls meet in a ridge about 0.13 x the etch
// per cycle high, so the scallops show once the etch per cycle spans some
// eight cells or more.
// After the last cycle the polymer is stripped. Every material other than
// the etched one masks it. The polymer is at least one cell thick: a thinner
// coat still covers the surface with one layer of cells.
//
// Working storage lives only for the run: the surface front's per-cell
// state, the list of exposed cells of one cycle with their view factors, and
// two heights and a carry per column. A run that cannot get its
// memory throws std::bad_alloc; the operation and the batch step put the
// cells back from their copy.
class DeepReactiveIonEtching
{
public:
    // The built-in "Fluorocarbon polymer" of the material catalogue.
    static constexpr std::uint32_t polymerMaterial = 17;
    // Rays per view factor: a quarter of the flux engine's default, which
    // counts the floor of a slot five times deeper than wide to about 4 %.
    static constexpr int rayCount = 256;

    // One opening: the columns (4-connected across x and y) whose top of the
    // etched material went down, and the deepest of them.
    struct Opening
    {
        std::uint32_t x; // its first column in index order
        std::uint32_t y;
        std::size_t columns;
        double depth; // µm
    };

    // Lengths in µm.
    DeepReactiveIonEtching(Model::Automaton::TotalVolume *volume, std::uint32_t etchMaterial, std::uint32_t cycles,
                           double etchPerCycle, double passivation, bool aspectRatioDependent);

    // Threads (x-slabs) of every phase; 0, the default, takes the global pool's.
    void setThreadCount(int count) { threads = count; }
    // Rays per view factor (rayCount by default).
    void setRayCount(int count) { rays = count; }
    // Cycles done out of the cycle count.
    void setProgress(Util::IProgress *listener) { progress = listener; }
    // Called after the etch of every cycle, with the number of cycles done,
    // while that cycle's polymer still coats the walls.
    void setCycleHook(std::function<void(std::uint32_t)> hook) { cycleHook = std::move(hook); }

    void run();

    const std::vector<Opening> &getOpenings() const { return openings; }
    // The deepest opening, µm; 0 when none.
    double getDepth() const;
    // Seconds of the last run, and of it in the flux engine.
    double getSeconds() const { return seconds; }
    double getFluxSeconds() const { return fluxSeconds; }

    // The depth an open flat surface reaches: cycles x etch per cycle.
    static double openSurfaceDepth(std::uint32_t cycles, double etchPerCycle);
    // The passivation the cells can hold: at least the largest cell size.
    static double effectivePassivation(double passivation, float cellX, float cellY, float cellZ);

    // The finish line's notes: the depth reached per opening, and why a run
    // might change nothing.
    static void describe(ProcessEffect &effect, std::uint32_t etchMaterial, std::uint32_t cycles, double etchPerCycle,
                         const std::vector<Opening> &openings);

private:
    void runCycle(std::uint32_t cycle);
    std::vector<std::uint32_t> materialTops() const;
    void findOpenings(const std::vector<std::uint32_t> &before, const std::vector<std::uint32_t> &after);

    Model::Automaton::TotalVolume *volume;
    std::uint32_t material;
    std::uint32_t cycles;
    double etch;
    double passivation;
    bool arde;
    int threads = 0;
    int rays;
    Util::IProgress *progress = nullptr;
    std::function<void(std::uint32_t)> cycleHook;
    std::vector<Opening> openings;
    // Per column (x * ny + y), in cells: the rounding remainder of its floor.
    std::vector<float> carry;
    double seconds = 0.0;
    double fluxSeconds = 0.0;
};

} // namespace Operations
} // namespace Core

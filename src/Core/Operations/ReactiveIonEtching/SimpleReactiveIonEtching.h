#pragma once

#include <cstddef>
#include <cstdint>

namespace Model {
namespace Automaton {
class TotalVolume;
struct Voxel;
}
} // namespace Model

namespace Core {
namespace Operations {

class ProcessEffect;

// A perfectly directional dry etch of one material. In every column of cells
// each step removes the exposed cell of the material and exposes the next one
// down (etching from the top) or up (etching from below). A cell is exposed
// from the top when the cell above it is empty, from below when the cell
// under it is empty; other materials stop the etch, and nothing moves sideways.
//
// Each column's fronts are its runs of the material with an empty cell on an
// attacked side: a run loses `stepCount` cells from every such side (all of it
// once the two fronts of a run meet). Columns never cross the x-strips, so
// the strips run concurrently on the global pool without exchanging anything.
// Build it, then call runEtching() once.
class SimpleReactiveIonEtching
{
public:
    enum Direction : std::uint8_t { FromTop = 1, FromBottom = 2 };

    SimpleReactiveIonEtching(Model::Automaton::TotalVolume *volume, std::uint32_t etchMaterial,
                             std::uint32_t stepCount, std::uint8_t directions);

    // Strips for the next run; 0 (the default) uses the global pool's
    // maximum thread count.
    void setThreadCount(int count) { requestedThreads = count; }

    // Etches and returns the number of cells removed. Takes the volume's cell
    // lock for the run.
    std::size_t runEtching();

    // The finish line's notes of a run: its depth in cells, and why it
    // might change nothing (no direction, no depth, no such material).
    static void describe(ProcessEffect &effect, std::uint32_t etchMaterial, std::uint32_t stepCount,
                         std::uint8_t directions);

private:
    std::size_t etchColumns(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd,
                            std::size_t &fronts) const;

    Model::Automaton::TotalVolume *volume;
    std::uint32_t etchMaterial;
    std::uint32_t stepCount;
    std::uint8_t directions;
    int requestedThreads = 0;
};

} // namespace Operations
} // namespace Core

#pragma once

#include <cstdint>
#include <map>

namespace Model {
namespace Automaton {

class TotalVolume;

// What the open space of a volume touches: for every material, the number of
// cell faces between a cell of that material and an empty cell inside the
// volume. Faces on the volume's own boundary do not count (nothing reaches
// them from the open space). The etch dialogs preselect the material that
// covers most of the surface.
class ExposedSurface
{
public:
    // Material id -> exposed face count; no entry for materials with none.
    // The x range is split into `threadCount` slabs (0: one per pool thread).
    static std::map<std::uint32_t, std::uint64_t> faceCounts(TotalVolume &volume, int threadCount = 0);
    // The material with the most exposed faces (the lowest id on a tie);
    // 0 when no cell borders an empty one.
    static std::uint32_t dominantMaterial(TotalVolume &volume);
};

} // namespace Automaton
} // namespace Model

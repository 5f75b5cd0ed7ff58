#pragma once

#include "Util/Vector3D.h"

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Lifts the 6-connected piece of one material that holds the first cell of
// that material (in cell order) out of a volume into a new volume of the same
// size, cell sizes and position, resting on z = 0 and optionally turned 180
// degrees about x. The source is read under its cells lock and never changed.
class FilmExtraction
{
public:
    // The film volume at the source's position. A material the source does
    // not hold gives an empty volume. Throws std::bad_alloc when the new
    // volume does not fit in memory. threadCount 0: one slab per pool thread.
    static std::shared_ptr<Model::Automaton::TotalVolume> extract(Model::Automaton::TotalVolume &source,
                                                                  std::uint32_t material, bool invert,
                                                                  int threadCount = 0);

    // The shift that stands a copy ten cells to the +x side of the source.
    static Util::Vector3D besideSource(const Model::Automaton::TotalVolume &source);

    // Headless extraction for tests and scripted documents: the film volume
    // already standing beside the source; empty when it does not fit in memory.
    static std::shared_ptr<Model::Automaton::TotalVolume> extractBeside(Model::Automaton::TotalVolume &source,
                                                                        std::uint32_t material, bool invert);
};

} // namespace Operations
} // namespace Core

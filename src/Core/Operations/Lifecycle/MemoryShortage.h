#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

class TotalVolumeUndoRedoHelper;

// A step that runs out of memory, in the window and in a batch alike: the
// guard refuses it before it starts when its working memory does not fit,
// and a run that fails for want of memory all the same (std::bad_alloc, or
// std::length_error from a size beyond any allocation) gets the volume's
// cells back from the copy taken before it, or is known to have changed
// none.
class MemoryShortage
{
public:
    // Bytes a run of the kind with that operation id takes beside the ids
    // of a volume of `cells` cells (ProcessTable::Kind::stepBytesPerCell).
    static std::uint64_t stepBytes(std::uint32_t operationId, std::uint64_t cells);
    // Bytes of the kind with that process-list code.
    static std::uint64_t stepBytesOfListCode(std::int32_t listCode, std::uint64_t cells);
    // What the user reads: "not enough memory for this step (needs about
    // 1221 MiB); the volume is unchanged". `bytes` 0 leaves the figure out.
    static QString reason(std::uint64_t bytes, bool unchanged);

    // Runs `body`. Empty when it ran; when it failed for want of memory, the
    // reason (above) comes back, and the cells are put back from the copy
    // the body took with cells.saveBefore(&volume) before it changed any, if
    // it took one. Without a copy the volume counts as unchanged only when
    // the body never locked its cells for writing. Other failures pass
    // through.
    static QString run(TotalVolumeUndoRedoHelper &cells, Model::Automaton::TotalVolume &volume,
                       std::uint64_t bytes, const std::function<void()> &body);
};

} // namespace Operations
} // namespace Core

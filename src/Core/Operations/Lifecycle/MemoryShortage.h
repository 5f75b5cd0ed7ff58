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
// cells back from the copy taken before it.
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

    // Runs `body`, which must call cells.saveBefore(&volume) before it
    // changes a cell. Empty when it ran; when it failed for want of memory,
    // the cells are put back from that copy (if it was taken whole) and the
    // reason (above) comes back. Other failures pass through.
    static QString run(TotalVolumeUndoRedoHelper &cells, Model::Automaton::TotalVolume &volume,
                       std::uint64_t bytes, const std::function<void()> &body);
};

} // namespace Operations
} // namespace Core

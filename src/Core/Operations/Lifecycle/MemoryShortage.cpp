#include "Core/Operations/Lifecycle/MemoryShortage.h"

#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <new>
#include <stdexcept>

namespace Core {
namespace Operations {

namespace {

std::uint64_t bytesOf(const ProcessTable::Kind *kind, std::uint64_t cells)
{
    return kind ? Model::Automaton::MemoryBudget::bytesFor(cells, kind->stepBytesPerCell) : 0;
}

} // namespace

std::uint64_t MemoryShortage::stepBytes(std::uint32_t operationId, std::uint64_t cells)
{
    return bytesOf(ProcessTable::byOperationId(operationId), cells);
}

std::uint64_t MemoryShortage::stepBytesOfListCode(std::int32_t listCode, std::uint64_t cells)
{
    return bytesOf(ProcessTable::byListCode(listCode), cells);
}

QString MemoryShortage::reason(std::uint64_t bytes, bool unchanged)
{
    QString text = QStringLiteral("not enough memory for this step");
    if (bytes != 0) {
        const std::uint64_t mebibyte = std::uint64_t(1) << 20;
        text += QStringLiteral(" (needs about %1 MiB)").arg((bytes + mebibyte - 1) / mebibyte);
    }
    text += unchanged ? QStringLiteral("; the volume is unchanged") : QStringLiteral("; the volume may be partly changed");
    return text;
}

QString MemoryShortage::run(TotalVolumeUndoRedoHelper &cells, Model::Automaton::TotalVolume &volume,
                            std::uint64_t bytes, const std::function<void()> &body)
{
    const std::uint64_t writesBefore = volume.writeLockCount();
    bool failed = false;
    try {
        body();
    } catch (const std::bad_alloc &) {
        failed = true;
    } catch (const std::length_error &) {
        failed = true;
    }
    if (!failed)
        return {};
    // The cells go back from a whole copy; without one, a run that failed
    // before it locked the cells for writing changed none of them.
    const bool restored = cells.restoreBefore(&volume);
    const bool unchanged = restored || volume.writeLockCount() == writesBefore;
    qCWarning(lcProcess) << "A step ran out of memory; cells restored:" << restored << "unchanged:" << unchanged;
    return reason(bytes, unchanged);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include "Core/Workspace.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>
#include <new>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

// zlib's fastest level: the records are runs of equal ids and shrink well
// anyway, and a large volume is compared in about the time it takes to read.
constexpr int compressionLevel = 1;

// Reads the next white-space separated word from [pos, end).
QByteArray nextWord(const char *&pos, const char *end)
{
    while (pos < end && (*pos == ' ' || *pos == '\t' || *pos == '\r'))
        ++pos;
    const char *start = pos;
    while (pos < end && *pos != ' ' && *pos != '\t' && *pos != '\r' && *pos != '\n')
        ++pos;
    return QByteArray(start, int(pos - start));
}

bool parseNumber(const char *&pos, const char *end, std::uint64_t &value)
{
    const QByteArray word = nextWord(pos, end);
    bool ok = false;
    value = word.toULongLong(&ok);
    return ok;
}

void appendVarint(QByteArray &out, std::uint64_t value)
{
    while (value >= 0x80) {
        out.append(char(value | 0x80));
        value >>= 7;
    }
    out.append(char(value));
}

bool readVarint(const char *&pos, const char *end, std::uint64_t &value)
{
    value = 0;
    for (unsigned shift = 0; pos < end && shift < 64; shift += 7) {
        const auto byte = std::uint8_t(*pos++);
        value |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

void appendWord(QByteArray &out, std::uint32_t value)
{
    const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    out.append(bytes, 4);
}

std::uint32_t wordAt(const char *pos)
{
    const auto *b = reinterpret_cast<const std::uint8_t *>(pos);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

// The changes of one stretch of cells: its runs of changed cells and, per
// changed cell, its id before and after.
struct BlockChanges
{
    QByteArray runs;
    QByteArray before;
    QByteArray after;
    std::uint32_t runCount = 0;

    static std::uint32_t idOf(const Voxel &cell) { return cell.material; }
    static std::uint32_t idOf(std::uint32_t id) { return id; }

    template <class Cell>
    void compare(const std::uint32_t *old, const Cell *now, std::size_t count)
    {
        std::size_t runEnd = 0;
        std::size_t i = 0;
        while (i < count) {
            if (old[i] == idOf(now[i])) {
                ++i;
                continue;
            }
            const std::size_t start = i;
            while (i < count && old[i] != idOf(now[i])) {
                appendWord(before, old[i]);
                appendWord(after, idOf(now[i]));
                ++i;
            }
            appendVarint(runs, start - runEnd);
            appendVarint(runs, i - start);
            runEnd = i;
            ++runCount;
        }
    }
    bool isEmpty() const { return runCount == 0; }
    // One block of a record: stretch, byte count, compressed runs and ids.
    QByteArray block(std::uint32_t stretch, const QByteArray &ids) const
    {
        QByteArray payload;
        payload.reserve(4 + runs.size() + ids.size());
        appendWord(payload, runCount);
        payload.append(runs);
        payload.append(ids);
        const QByteArray packed = qCompress(payload, compressionLevel);
        QByteArray out;
        appendWord(out, stretch);
        appendWord(out, std::uint32_t(packed.size()));
        out.append(packed);
        return out;
    }
};

// One record's body being built, for one of the two files.
struct RecordBody
{
    QByteArray bytes;
    bool append(const QByteArray &block)
    {
        // A body stays below the size a QByteArray can hold; a process that
        // changes that much of a volume is rare enough to go without undo.
        if (std::size_t(bytes.size()) + std::size_t(block.size()) > std::size_t(0x7fff0000))
            return false;
        bytes.append(block);
        return true;
    }
};

// Compares `count` cells with their ids before the run, stretch by
// stretch, and appends a block to both bodies for every stretch that holds a
// change. `oldIds(stretch, n)` gives the n ids of a stretch before the run,
// or nullptr when it has none that fit. False when a stretch has none or a
// body would grow too large.
template <class Cell, class OldIds>
bool compareStretches(const Cell *now, std::size_t count, OldIds oldIds, RecordBody &undoBody,
                      RecordBody &redoBody)
{
    const std::size_t blockCells = TotalVolumeUndoRedoHelper::cellsPerBlock;
    for (std::size_t first = 0; first < count; first += blockCells) {
        const std::size_t n = std::min(blockCells, count - first);
        const auto stretch = std::uint32_t(first / blockCells);
        const std::uint32_t *old = oldIds(stretch, n);
        if (!old)
            return false;
        BlockChanges changes;
        changes.compare(old, now + first, n);
        if (changes.isEmpty())
            continue;
        if (!undoBody.append(changes.block(stretch, changes.before))
            || !redoBody.append(changes.block(stretch, changes.after)))
            return false;
    }
    return true;
}

bool appendRecord(const QString &fileName, const QString &key, std::uint32_t index, std::size_t cellCount,
                  const QByteArray &body)
{
    const QByteArray header = key.toUtf8() + ' ' + QByteArray::number(index) + ' '
        + QByteArray::number(qulonglong(cellCount)) + ' ' + QByteArray::number(body.size()) + '\n';
    // A record is either complete or absent: a failed write is cut back.
    const Util::SafeFileWriter::Result result = Util::SafeFileWriter::append(
        fileName,
        [&](QIODevice &device) {
            return device.write(header) == header.size() && device.write(body) == body.size();
        },
        QIODevice::NotOpen);
    if (!result)
        qCWarning(lcUndo) << "Writing the state file" << fileName << "failed:" << result.error;
    return result.ok;
}

// Checks a record body and, with a target, writes its ids into the cells;
// false when the body is damaged. Called once to check and once to write, so
// a damaged record changes nothing.
bool decodeBody(const QByteArray &body, std::size_t cellCount, Voxel *target)
{
    const std::size_t blockCells = TotalVolumeUndoRedoHelper::cellsPerBlock;
    const char *pos = body.constData();
    const char *const end = pos + body.size();
    while (pos < end) {
        if (end - pos < 8)
            return false;
        const std::uint32_t stretch = wordAt(pos);
        const std::uint32_t size = wordAt(pos + 4);
        pos += 8;
        if (std::size_t(end - pos) < size)
            return false;
        const QByteArray payload = qUncompress(reinterpret_cast<const uchar *>(pos), int(size));
        pos += size;
        const std::size_t first = std::size_t(stretch) * blockCells;
        if (payload.size() < 4 || first >= cellCount)
            return false;
        const std::size_t limit = std::min(cellCount, first + blockCells);
        const char *p = payload.constData();
        const char *const payloadEnd = p + payload.size();
        const std::uint32_t runCount = wordAt(p);
        p += 4;
        const char *runsBegin = p;
        std::size_t cell = first;
        std::size_t changed = 0;
        for (std::uint32_t r = 0; r < runCount; ++r) {
            std::uint64_t gap = 0, length = 0;
            if (!readVarint(p, payloadEnd, gap) || !readVarint(p, payloadEnd, length) || length == 0
                || gap > limit - cell || length > limit - cell - gap)
                return false;
            cell += gap + length;
            changed += length;
        }
        if (std::size_t(payloadEnd - p) != changed * 4)
            return false;
        if (!target)
            continue;
        const char *ids = p;
        p = runsBegin;
        cell = first;
        for (std::uint32_t r = 0; r < runCount; ++r) {
            std::uint64_t gap = 0, length = 0;
            readVarint(p, payloadEnd, gap);
            readVarint(p, payloadEnd, length);
            cell += gap;
            for (std::uint64_t k = 0; k < length; ++k, ids += 4)
                target[cell++].material = wordAt(ids);
        }
    }
    return true;
}

} // namespace

std::uint32_t TotalVolumeUndoRedoHelper::takeIndex(const QString &key)
{
    static QMutex mutex;
    static QHash<QString, std::uint32_t> counters;
    QMutexLocker locker(&mutex);
    return counters[key]++;
}

TotalVolumeUndoRedoHelper::TotalVolumeUndoRedoHelper(Workspace *ws, const QString &k)
    : key(k)
    , index(takeIndex(k))
    , workspace(ws)
{
}

TotalVolumeUndoRedoHelper::~TotalVolumeUndoRedoHelper() = default;

void TotalVolumeUndoRedoHelper::loadUndoState(TotalVolume *volume)
{
    if (loadState(workspace->getUndoFileName(), volume))
        volume->getPainter().invalidate();
    workspace->setSiLatticeOutdated(volume->getObjectId(), true);
}

void TotalVolumeUndoRedoHelper::loadRedoState(TotalVolume *volume)
{
    if (loadState(workspace->getRedoFileName(), volume))
        volume->getPainter().invalidate();
    workspace->setSiLatticeOutdated(volume->getObjectId(), true);
}

void TotalVolumeUndoRedoHelper::saveBefore(TotalVolume *volume)
{
    if (!volume)
        return;
    before.clear();
    const std::size_t count = volume->getCellCount();
    const auto blocks = std::uint32_t((count + cellsPerBlock - 1) / cellsPerBlock);
    std::vector<QByteArray> copy(blocks);
    const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
    const Voxel *cells = lock.cells();
    // The stretches are compressed side by side on the pool's threads: the
    // copy is taken before every run, in the window and in a batch. The copy
    // is kept only once every stretch is in it.
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, blocks, SlabSplit::poolThreadCount());
    if (slabs.empty())
        slabs = {SlabSplit::Slab{0, blocks}};
    SlabSplit::run(slabs, [&](std::size_t, SlabSplit::Slab slab) {
        for (std::uint32_t block = slab.begin; block < slab.end; ++block) {
            const std::size_t first = std::size_t(block) * cellsPerBlock;
            const std::size_t n = std::min(cellsPerBlock, count - first);
            // A cell is one 32-bit id: the stretch is compressed as it lies in memory.
            copy[block] = qCompress(reinterpret_cast<const uchar *>(cells + first), int(n * sizeof(Voxel)),
                                    compressionLevel);
        }
    });
    before = std::move(copy);
}

bool TotalVolumeUndoRedoHelper::restoreBefore(TotalVolume *volume)
{
    if (!volume)
        return false;
    const std::size_t count = volume->getCellCount();
    // saveBefore() keeps only a finished copy; saveAfter() empties its blocks
    // one by one.
    const bool whole = !before.empty() && before.size() == (count + cellsPerBlock - 1) / cellsPerBlock
        && std::none_of(before.begin(), before.end(), [](const QByteArray &block) { return block.isEmpty(); });
    if (!whole) {
        before.clear();
        return false;
    }
    bool restored = true;
    try {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
        Voxel *cells = lock.writableCells();
        for (std::size_t block = 0; block < before.size() && restored; ++block) {
            const std::size_t first = block * cellsPerBlock;
            const std::size_t n = std::min(cellsPerBlock, count - first);
            const QByteArray ids = qUncompress(before[block]);
            restored = std::size_t(ids.size()) == n * sizeof(Voxel);
            if (restored)
                std::memcpy(static_cast<void *>(cells + first), ids.constData(), n * sizeof(Voxel));
        }
    } catch (const std::bad_alloc &) {
        restored = false;
    }
    before.clear();
    return restored;
}

bool TotalVolumeUndoRedoHelper::saveAfter(TotalVolume *volume)
{
    if (!volume)
        return false;
    const std::size_t count = volume->getCellCount();
    if (before.empty() || before.size() != (count + cellsPerBlock - 1) / cellsPerBlock) {
        before.clear();
        return false;
    }
    RecordBody undoBody, redoBody;
    bool fits = false;
    {
        // Each stretch before the run is unpacked once and its copy dropped
        // at once, so the memory held shrinks while the comparison goes on.
        QByteArray old;
        const auto oldIds = [&](std::uint32_t stretch, std::size_t n) -> const std::uint32_t * {
            old = qUncompress(before[stretch]);
            QByteArray().swap(before[stretch]);
            return std::size_t(old.size()) == n * sizeof(std::uint32_t)
                ? reinterpret_cast<const std::uint32_t *>(old.constData())
                : nullptr;
        };
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
        fits = compareStretches(lock.cells(), count, oldIds, undoBody, redoBody);
    }
    before.clear();
    if (!fits) {
        qCWarning(lcUndo) << "The changes of" << key << index << "are too large to keep for undo";
        return false;
    }
    const bool undoWritten = appendRecord(workspace->getUndoFileName(), key, index, count, undoBody.bytes);
    const bool redoWritten = appendRecord(workspace->getRedoFileName(), key, index, count, redoBody.bytes);
    return undoWritten && redoWritten;
}

bool TotalVolumeUndoRedoHelper::writeRecords(const QString &undoFile, const QString &redoFile, const QString &key,
                                             std::uint32_t index, const std::uint32_t *old,
                                             const std::uint32_t *now, std::size_t count)
{
    RecordBody undoBody, redoBody;
    const auto oldIds = [old](std::uint32_t stretch, std::size_t) { return old + std::size_t(stretch) * cellsPerBlock; };
    return compareStretches(now, count, oldIds, undoBody, redoBody)
        && appendRecord(undoFile, key, index, count, undoBody.bytes)
        && appendRecord(redoFile, key, index, count, redoBody.bytes);
}

bool TotalVolumeUndoRedoHelper::loadState(const QString &fileName, TotalVolume *volume)
{
    return loadRecord(fileName, key, index, volume);
}

bool TotalVolumeUndoRedoHelper::loadRecord(const QString &fileName, const QString &key, std::uint32_t index,
                                           TotalVolume *volume)
{
    QElapsedTimer timer;
    timer.start();
    bool loaded = false;
    QFile file(fileName);
    if (volume && !fileName.isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QByteArray wantedKey = key.toUtf8();
        const std::size_t count = volume->getCellCount();
        while (!file.atEnd() && !loaded) {
            const QByteArray line = file.readLine(4096);
            const char *pos = line.constData();
            const char *end = pos + line.size();
            const QByteArray recordKey = nextWord(pos, end);
            std::uint64_t recordIndex = 0, cells = 0, bodyBytes = 0;
            if (!parseNumber(pos, end, recordIndex) || !parseNumber(pos, end, cells)
                || !parseNumber(pos, end, bodyBytes) || !line.endsWith('\n')) {
                qCWarning(lcUndo) << "The state file" << fileName << "is damaged; its later records are lost";
                break;
            }
            if (recordKey != wantedKey || recordIndex != index || cells != count) {
                if (!file.seek(file.pos() + qint64(bodyBytes)))
                    break;
                continue;
            }
            const QByteArray body = file.read(qint64(bodyBytes));
            if (std::uint64_t(body.size()) != bodyBytes || !decodeBody(body, count, nullptr)) {
                qCWarning(lcUndo) << "State record" << key << index << "is damaged; skipped";
                continue;
            }
            const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
            decodeBody(body, count, lock.writableCells());
            loaded = true;
        }
    }
    qCDebug(lcUndo).noquote() << "Time to load: " << timer.elapsed() << " ms";
    return loaded;
}

} // namespace Operations
} // namespace Core

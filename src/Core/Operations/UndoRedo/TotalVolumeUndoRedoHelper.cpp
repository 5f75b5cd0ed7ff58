#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <cstring>
#include <vector>

namespace Core {
namespace Operations {

using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

// Reads the next white-space separated word from [pos, end); empty at the end of the line.
QByteArray nextWord(const char *&pos, const char *end)
{
    while (pos < end && (*pos == ' ' || *pos == '\t' || *pos == '\r'))
        ++pos;
    const char *start = pos;
    while (pos < end && *pos != ' ' && *pos != '\t' && *pos != '\r' && *pos != '\n')
        ++pos;
    return QByteArray(start, int(pos - start));
}

bool parseUnsigned(const char *&pos, const char *end, std::uint32_t &value)
{
    while (pos < end && (*pos == ' ' || *pos == '\t' || *pos == '\r'))
        ++pos;
    if (pos == end || *pos < '0' || *pos > '9')
        return false;
    std::uint64_t v = 0;
    while (pos < end && *pos >= '0' && *pos <= '9') {
        v = v * 10 + std::uint64_t(*pos - '0');
        if (v > 0xFFFFFFFFull)
            return false;
        ++pos;
    }
    value = std::uint32_t(v);
    return true;
}

void appendUnsigned(QByteArray &out, std::uint32_t value)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (n)
        out.append(digits[--n]);
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

void TotalVolumeUndoRedoHelper::saveState(TotalVolume *volume)
{
    const QString fileName = savedStates % 2 == 0 ? workspace->getUndoFileName() : workspace->getRedoFileName();
    ++savedStates;
    writeState(fileName, volume);
}

void TotalVolumeUndoRedoHelper::loadUndoState(TotalVolume *volume)
{
    loadState(workspace->getUndoFileName(), volume);
    volume->getPainter().rebuild();
    workspace->setSiLatticeOutdated(volume->getObjectId(), true);
}

void TotalVolumeUndoRedoHelper::loadRedoState(TotalVolume *volume)
{
    loadState(workspace->getRedoFileName(), volume);
    volume->getPainter().rebuild();
    workspace->setSiLatticeOutdated(volume->getObjectId(), true);
}

bool TotalVolumeUndoRedoHelper::writeState(const QString &fileName, TotalVolume *volume)
{
    if (fileName.isEmpty() || !volume)
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        qCWarning(lcUndo) << "Cannot write the state file" << fileName << file.errorString();
        return false;
    }
    QByteArray line;
    line.reserve(int(std::min<std::size_t>(volume->getCellCount() * 3 + 64, 0x7fffffff / 2)));
    line.append(key.toUtf8());
    line.append(' ');
    appendUnsigned(line, index);
    const Voxel *cells = volume->lockCells();
    const std::size_t count = volume->getCellCount();
    // Flush in chunks so a large volume never needs one huge buffer.
    for (std::size_t i = 0; i < count; ++i) {
        line.append(' ');
        appendUnsigned(line, cells[i].material);
        if (line.size() > (1 << 22)) {
            file.write(line);
            line.clear();
        }
    }
    volume->unlockCells();
    line.append('\n');
    const bool ok = file.write(line) == line.size() && file.flush();
    if (!ok)
        qCWarning(lcUndo) << "Writing the state file" << fileName << "failed:" << file.errorString();
    return ok;
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
    if (volume && !fileName.isEmpty() && file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QByteArray wantedKey = key.toUtf8();
        const std::size_t count = volume->getCellCount();
        std::vector<std::uint32_t> ids;
        while (!file.atEnd() && !loaded) {
            const QByteArray line = file.readLine();
            const char *pos = line.constData();
            const char *end = pos + line.size();
            if (nextWord(pos, end) != wantedKey)
                continue;
            std::uint32_t recordIndex = 0;
            if (!parseUnsigned(pos, end, recordIndex) || recordIndex != index)
                continue;
            ids.assign(count, 0u);
            std::size_t read = 0;
            while (read < count && parseUnsigned(pos, end, ids[read]))
                ++read;
            if (read != count) {
                qCWarning(lcUndo) << "State record" << key << index << "holds" << read << "of" << count << "cells; skipped";
                continue;
            }
            Voxel *cells = volume->lockCells();
            Voxel *next = volume->lockNextCells();
            for (std::size_t i = 0; i < count; ++i) {
                cells[i].material = ids[i];
                next[i].material = ids[i];
            }
            volume->unlockNextCells();
            volume->unlockCells();
            loaded = true;
        }
    }
    qCDebug(lcUndo).noquote() << "Time to load: " << timer.elapsed() << " ms";
    return loaded;
}

} // namespace Operations
} // namespace Core

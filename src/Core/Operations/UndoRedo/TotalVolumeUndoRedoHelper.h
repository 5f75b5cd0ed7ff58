#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {

class Workspace;

namespace Operations {

// Saves and restores the cells one process operation changed.
//
// saveBefore() (before the run) keeps a compressed copy of the volume's ids
// in memory. saveAfter() (after the run) compares the cells with that copy
// and appends one record to each state file: to the undo file the changed
// cells with their ids before the run, to the redo file the same cells with
// their ids after it. Loading a record writes exactly those cells.
//
// A record is a header line "<key> <index> <cell count> <body bytes>" and a
// binary body of blocks, one per stretch of 2^20 cells that holds a change:
// the stretch number and the byte count (both 32-bit little-endian), then
// the qCompress'ed runs of changed cells (gap and length as variable-length
// numbers) followed by their ids.
class TotalVolumeUndoRedoHelper
{
public:
    // Cells per compared stretch (and per block of a record).
    static constexpr std::size_t cellsPerBlock = std::size_t(1) << 20;

    // The index comes from one process-wide counter per key, so two
    // operation classes that share a key never restore each other's cells.
    TotalVolumeUndoRedoHelper(Workspace *workspace, const QString &key);
    ~TotalVolumeUndoRedoHelper();

    // Keeps the volume's ids as they are before the run; a second call
    // replaces the first copy.
    void saveBefore(Model::Automaton::TotalVolume *volume);
    // Writes the record of what changed since saveBefore() and drops the
    // copy. False (nothing written) without a copy of this volume's size, or
    // when the changes are too large to keep or a state file cannot be
    // written.
    bool saveAfter(Model::Automaton::TotalVolume *volume);
    // Puts back the ids kept by saveBefore() (after a run that failed) and
    // drops the copy. False, with the volume untouched, when there is no
    // whole copy of this volume's size to put back (none was taken, taking
    // it failed, or saveAfter() has taken it apart).
    bool restoreBefore(Model::Automaton::TotalVolume *volume);
    // The copy saveBefore() keeps, for a comparison of the cells with it
    // (ProcessEffect); empty when none is kept.
    const std::vector<QByteArray> &savedBefore() const { return before; }
    // Drops the copy without writing a record (a run that changed nothing).
    void dropBefore() { before.clear(); }
    // Restore the cells of the state before or after the run; the painter
    // builds its faces again when the volume is next drawn.
    // Both mark the volume's atomistic lattice out of date.
    void loadUndoState(Model::Automaton::TotalVolume *volume);
    void loadRedoState(Model::Automaton::TotalVolume *volume);
    // Loads the record (key, index) of `fileName` into the volume; false when
    // the file or the record is missing or unusable (the volume is unchanged).
    bool loadState(const QString &fileName, Model::Automaton::TotalVolume *volume);
    static bool loadRecord(const QString &fileName, const QString &key, std::uint32_t index,
                           Model::Automaton::TotalVolume *volume);
    // Appends a record of the cells that differ between `before` (ids in cell
    // order) and `after` to both files, with the ids of `before` to
    // `undoFile` and those of `after` to `redoFile`.
    static bool writeRecords(const QString &undoFile, const QString &redoFile, const QString &key,
                             std::uint32_t index, const std::uint32_t *before, const std::uint32_t *after,
                             std::size_t count);

    QString getKey() const { return key; }
    std::uint32_t getIndex() const { return index; }

    static std::uint32_t takeIndex(const QString &key);

private:
    QString key;
    std::uint32_t index;
    Workspace *workspace;
    // The ids before the run, one compressed block per stretch of cells.
    std::vector<QByteArray> before;
};

} // namespace Operations
} // namespace Core

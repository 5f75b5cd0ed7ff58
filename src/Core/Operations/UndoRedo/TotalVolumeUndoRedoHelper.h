#pragma once

#include <QString>

#include <cstdint>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {

class Workspace;

namespace Operations {

// Saves and restores a volume's material ids for one process operation.
// A record is one line: key, instance index, then nx*ny*nz ids in cell order.
// The first saveState goes to the undo file (the state before the run), the
// second to the redo file (the state after it).
class TotalVolumeUndoRedoHelper
{
public:
    // The index comes from one process-wide counter per key, so two
    // operation classes that share a key never restore each other's cells.
    TotalVolumeUndoRedoHelper(Workspace *workspace, const QString &key);

    void saveState(Model::Automaton::TotalVolume *volume);
    // Both loads mark the volume's atomistic lattice out of date.
    void loadUndoState(Model::Automaton::TotalVolume *volume);
    void loadRedoState(Model::Automaton::TotalVolume *volume);
    // Loads the record (key, index) of `fileName` into both cell arrays;
    // false when the file or the record is missing (the volume is unchanged).
    bool loadState(const QString &fileName, Model::Automaton::TotalVolume *volume);
    static bool loadRecord(const QString &fileName, const QString &key, std::uint32_t index,
                           Model::Automaton::TotalVolume *volume);
    // Appends the record of the volume to `fileName`.
    bool writeState(const QString &fileName, Model::Automaton::TotalVolume *volume);

    QString getKey() const { return key; }
    std::uint32_t getIndex() const { return index; }

    static std::uint32_t takeIndex(const QString &key);

private:
    QString key;
    std::uint32_t index;
    Workspace *workspace;
    unsigned savedStates = 0;
};

} // namespace Operations
} // namespace Core

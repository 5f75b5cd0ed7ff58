#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// What one run of a process did to a volume, as its finish line tells it:
// the cells it changed with the net gain or loss of every material, what it
// reached (a thickness, a depth) and, for a run that changed nothing, why.
//
// The count is a cell-by-cell comparison with the copy of the cells the undo
// states take before every run (TotalVolumeUndoRedoHelper::saveBefore, one
// compressed block per stretch of cellsPerBlock cells). The volume is cut
// into x-slabs on the global pool; each slab unpacks the blocks it overlaps
// one at a time, and the slabs' tallies are joined in slab order, so nothing
// per cell outlives the comparison.
class ProcessEffect
{
public:
    struct MaterialChange
    {
        std::uint32_t material;
        std::int64_t cells; // gained (> 0) or lost (< 0)
    };
    // Asked only when the run changed nothing; an empty answer passes the
    // question on to the next check.
    using IdleCheck = std::function<QString(Model::Automaton::TotalVolume &)>;

    // Counts the cells that differ from `before`. Without a whole copy of this
    // volume's size the effect stays uncounted.
    void compare(const std::vector<QByteArray> &before, Model::Automaton::TotalVolume &volume);
    // Counts a volume the run made: every solid cell is a change from empty.
    void countNew(Model::Automaton::TotalVolume &volume);
    // A change the cells may not show (atoms of the lattice a wet etch
    // dissolved inside cells it did not empty): the run counts as a change,
    // and the text names it when no cell changed.
    void addHiddenChange(const QString &text);

    // A length the run reached or was given, "thickness 2 µm"; notes join
    // with commas in the order given.
    void addNote(const QString &text);
    // The note "<what> <value> µm", and the reason "the <what> is <value> µm"
    // when the value is not above zero.
    void noteLength(const QString &what, double micrometres);
    // The same for a count of cell layers: "depth 3 cells".
    void noteLayers(const QString &what, std::uint64_t layers);
    // The reason "the volume holds no <material>" when it holds none.
    void needMaterial(std::uint32_t material);
    void addIdleCheck(IdleCheck check);
    void setIdleReason(const QString &text);
    // Runs the checks when the run changed nothing; call once after the count.
    void explain(Model::Automaton::TotalVolume &volume);

    bool isCounted() const { return counted; }
    bool changedNothing() const { return counted && changed == 0 && hidden.isEmpty(); }
    std::uint64_t changedCells() const { return changed; }
    // Every material whose cells grew or shrank, the largest change first
    // (empty space, id 0, is left out).
    std::vector<MaterialChange> materialChanges() const;
    QString idleReason() const { return reason; }

    // "10,450 cells changed (Thermal SiO2 +10,450), thickness 2 µm";
    // "changed nothing — <reason>"; empty when nothing was counted.
    QString text() const;

    // "10,450"
    static QString number(std::uint64_t value);
    // "1 cell", "10,450 cells"
    static QString cells(std::uint64_t count);
    // "2 µm", "0.25 µm"
    static QString micrometres(double value);
    // The catalogue name, or "material <id>" for an id it does not hold.
    static QString materialName(std::uint32_t material);

private:
    // Net change per material id, ascending.
    std::vector<std::pair<std::uint32_t, std::int64_t>> net;
    std::uint64_t changed = 0;
    bool counted = false;
    QStringList hidden;
    QStringList notes;
    std::vector<IdleCheck> checks;
    QString reason;
};

} // namespace Operations
} // namespace Core

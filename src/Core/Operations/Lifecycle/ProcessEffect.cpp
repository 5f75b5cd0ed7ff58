#include "Core/Operations/Lifecycle/ProcessEffect.h"

#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"

#include <algorithm>
#include <cstdlib>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

// One slab's count: the changed cells and the net change per material, the
// handful of materials a run touches kept in a short list.
struct Tally
{
    std::uint64_t changed = 0;
    std::vector<std::pair<std::uint32_t, std::int64_t>> net;
    bool complete = true;

    void add(std::uint32_t material, std::int64_t cells)
    {
        for (auto &entry : net) {
            if (entry.first == material) {
                entry.second += cells;
                return;
            }
        }
        net.emplace_back(material, cells);
    }

    // Cells [0, n) of `now` against the ids they held. Changes come in runs of
    // one kind (empty to oxide, silicon to empty), so the list is touched
    // once per run, not once per cell.
    template <class OldId>
    void compare(OldId old, const Voxel *now, std::size_t n)
    {
        std::uint32_t from = 0, to = 0;
        std::uint64_t run = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t before = old(i), after = now[i].material;
            if (before == after)
                continue;
            if (run == 0 || before != from || after != to) {
                flush(from, to, run);
                from = before;
                to = after;
            }
            ++run;
        }
        flush(from, to, run);
    }

    void flush(std::uint32_t from, std::uint32_t to, std::uint64_t &run)
    {
        if (run == 0)
            return;
        changed += run;
        add(from, -std::int64_t(run));
        add(to, std::int64_t(run));
        run = 0;
    }
};

std::vector<SlabSplit::Slab> slabsOf(const TotalVolume &volume)
{
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, volume.getSizeX(), SlabSplit::poolThreadCount());
    if (slabs.empty() && volume.getSizeX() > 0)
        slabs = {SlabSplit::Slab{0, volume.getSizeX()}};
    return slabs;
}

// Joins the slabs' tallies in slab order; false when one of them is incomplete.
bool join(const std::vector<Tally> &tallies, std::uint64_t &changed,
          std::vector<std::pair<std::uint32_t, std::int64_t>> &net)
{
    Tally joined;
    for (const Tally &tally : tallies) {
        if (!tally.complete)
            return false;
        joined.changed += tally.changed;
        for (const auto &entry : tally.net)
            joined.add(entry.first, entry.second);
    }
    changed = joined.changed;
    net.clear();
    for (const auto &entry : joined.net) {
        if (entry.first != 0 && entry.second != 0)
            net.push_back(entry);
    }
    std::sort(net.begin(), net.end());
    return true;
}

} // namespace

void ProcessEffect::compare(const std::vector<QByteArray> &before, TotalVolume &volume)
{
    const std::size_t count = volume.getCellCount();
    const std::size_t blockCells = TotalVolumeUndoRedoHelper::cellsPerBlock;
    if (before.empty() || before.size() != (count + blockCells - 1) / blockCells)
        return;
    const std::size_t slice = std::size_t(volume.getSizeY()) * volume.getSizeZ();
    const std::vector<SlabSplit::Slab> slabs = slabsOf(volume);
    std::vector<Tally> tallies(slabs.size());
    {
        const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
        const Voxel *cells = lock.cells();
        // A slab is one stretch of cells; it unpacks each block it overlaps in
        // turn (a block on the border of two slabs is unpacked by both).
        SlabSplit::run(slabs, [&](std::size_t index, SlabSplit::Slab slab) {
            Tally &tally = tallies[index];
            const std::size_t first = std::size_t(slab.begin) * slice, last = std::size_t(slab.end) * slice;
            QByteArray ids;
            for (std::size_t block = first / blockCells; first < last && block * blockCells < last; ++block) {
                const std::size_t blockFirst = block * blockCells;
                const std::size_t n = std::min(blockCells, count - blockFirst);
                ids = qUncompress(before[block]);
                if (std::size_t(ids.size()) != n * sizeof(std::uint32_t)) {
                    tally.complete = false;
                    return;
                }
                const auto *old = reinterpret_cast<const std::uint32_t *>(ids.constData());
                const std::size_t from = std::max(first, blockFirst), to = std::min(last, blockFirst + n);
                const std::uint32_t *oldFrom = old + (from - blockFirst);
                tally.compare([oldFrom](std::size_t i) { return oldFrom[i]; }, cells + from, to - from);
            }
        });
    }
    counted = join(tallies, changed, net);
}

void ProcessEffect::countNew(TotalVolume &volume)
{
    const std::size_t slice = std::size_t(volume.getSizeY()) * volume.getSizeZ();
    const std::vector<SlabSplit::Slab> slabs = slabsOf(volume);
    std::vector<Tally> tallies(slabs.size());
    {
        const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
        const Voxel *cells = lock.cells();
        SlabSplit::run(slabs, [&](std::size_t index, SlabSplit::Slab slab) {
            const std::size_t first = std::size_t(slab.begin) * slice;
            tallies[index].compare([](std::size_t) { return 0u; }, cells + first,
                                   std::size_t(slab.end - slab.begin) * slice);
        });
    }
    counted = join(tallies, changed, net);
}

void ProcessEffect::addHiddenChange(const QString &text)
{
    hidden << text;
}

void ProcessEffect::addNote(const QString &text)
{
    if (!text.isEmpty())
        notes << text;
}

void ProcessEffect::noteLength(const QString &what, double value)
{
    addNote(QStringLiteral("%1 %2").arg(what, micrometres(value)));
    if (!(value > 0.0)) {
        const QString text = QStringLiteral("the %1 is %2").arg(what, micrometres(value));
        addIdleCheck([text](TotalVolume &) { return text; });
    }
}

void ProcessEffect::noteLayers(const QString &what, std::uint64_t layers)
{
    addNote(QStringLiteral("%1 %2").arg(what, cells(layers)));
    if (layers == 0) {
        const QString text = QStringLiteral("the %1 is 0 cells").arg(what);
        addIdleCheck([text](TotalVolume &) { return text; });
    }
}

void ProcessEffect::needMaterial(std::uint32_t material)
{
    addIdleCheck([material](TotalVolume &volume) {
        const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
        const Voxel *cells = lock.cells();
        const bool held = std::any_of(cells, cells + volume.getCellCount(),
                                      [material](const Voxel &cell) { return cell.material == material; });
        return held ? QString() : QStringLiteral("the volume holds no %1").arg(materialName(material));
    });
}

void ProcessEffect::addIdleCheck(IdleCheck check)
{
    checks.push_back(std::move(check));
}

void ProcessEffect::setIdleReason(const QString &text)
{
    reason = text;
}

void ProcessEffect::explain(TotalVolume &volume)
{
    if (!changedNothing() || !reason.isEmpty())
        return;
    for (const IdleCheck &check : checks) {
        reason = check(volume);
        if (!reason.isEmpty())
            return;
    }
}

std::vector<ProcessEffect::MaterialChange> ProcessEffect::materialChanges() const
{
    std::vector<MaterialChange> changes;
    for (const auto &entry : net)
        changes.push_back({entry.first, entry.second});
    std::stable_sort(changes.begin(), changes.end(), [](const MaterialChange &a, const MaterialChange &b) {
        return std::llabs(a.cells) > std::llabs(b.cells);
    });
    return changes;
}

QString ProcessEffect::text() const
{
    if (!counted)
        return QString();
    if (changedNothing())
        return reason.isEmpty() ? QStringLiteral("changed nothing")
                                : QStringLiteral("changed nothing \u2014 %1").arg(reason);
    QString head = changed == 0 ? QStringLiteral("no cell changed") : cells(changed) + QStringLiteral(" changed");
    QStringList materials;
    for (const MaterialChange &change : materialChanges())
        materials << QStringLiteral("%1 %2%3")
                         .arg(materialName(change.material), change.cells > 0 ? QStringLiteral("+") : QStringLiteral("-"),
                              number(std::uint64_t(std::llabs(change.cells))));
    if (!materials.isEmpty())
        head += QStringLiteral(" (%1)").arg(materials.join(QStringLiteral(", ")));
    QStringList parts{head};
    if (changed == 0)
        parts << hidden;
    parts << notes;
    return parts.join(QStringLiteral(", "));
}

QString ProcessEffect::number(std::uint64_t value)
{
    QString digits = QString::number(qulonglong(value));
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

QString ProcessEffect::cells(std::uint64_t count)
{
    return number(count) + (count == 1 ? QStringLiteral(" cell") : QStringLiteral(" cells"));
}

QString ProcessEffect::micrometres(double value)
{
    return QString::number(value, 'g', 6) + QString::fromUtf8(" \xc2\xb5m");
}

QString ProcessEffect::materialName(std::uint32_t material)
{
    const Model::Materials::Material entry = Model::Materials::MaterialFactory::getInstance()->getMaterial(material);
    return entry.getId() == material && !entry.getName().isEmpty() ? entry.getName()
                                                                   : QStringLiteral("material %1").arg(material);
}

} // namespace Operations
} // namespace Core

#include "Core/Operations/SiEtching/SiWetEtchEngine.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IProgress.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Core {
namespace Operations {

using Model::Automaton::SiLattice;
using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;

namespace {

constexpr std::uint32_t silicon = 1;
// The largest bond component across x/y and along z (a quarter diagonal
// turned by 45 degrees: sqrt(2)/4 and 1/4), with a little room for rounding.
constexpr double bondReachXY = 0.36;
constexpr double bondReachZ = 0.26;

// Cells a bond may cross along an axis whose cells are `cellUnits` lattice units long.
std::uint32_t reachInCells(double reach, double cellUnits)
{
    return std::max<std::uint32_t>(1, std::uint32_t(std::ceil(reach / cellUnits)));
}

QString micrometres(double value)
{
    return QString::number(value, 'g', 6) + QString::fromUtf8(" \xc2\xb5m");
}

} // namespace

struct SiWetEtchEngine::Strip
{
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    std::vector<FrontAtom> surface;
    std::vector<FrontAtom> kept;
    std::vector<FrontAtom> lowerHandOver;
    std::vector<FrontAtom> upperHandOver;
    std::vector<AtomId> removed;
    std::vector<SiLattice::BoundaryAtom> createdAtoms;
    std::vector<std::size_t> restoredCells;
    std::uint64_t visits = 0;
    std::uint64_t initializationVisits = 0;
    std::uint64_t removedAtoms = 0;
    bool changed = false;
    // The top of the strip's highest silicon cell before the run (a z index
    // + 1) and the lowest z of a cell the run emptied.
    std::uint32_t top = 0;
    std::uint32_t lowestEmptied = std::numeric_limits<std::uint32_t>::max();
};

SiWetEtchEngine::SiWetEtchEngine(TotalVolume *v, double d)
    : volume(v)
    , depth(d)
    , stepCount(stepCountFor(d / SiLattice::unitLengthOf(*v)))
    , cellHeight(double(v->getCellSizeZ()))
{
}

SiWetEtchEngine::~SiWetEtchEngine() = default;

std::uint64_t SiWetEtchEngine::stepCountFor(double latticeUnits)
{
    if (!(latticeUnits > 0.0))
        return 0;
    const double steps = std::floor(4.0 * latticeUnits + 0.5);
    if (!(steps < 1.8e19))
        return std::numeric_limits<std::uint64_t>::max();
    return std::uint64_t(steps);
}

std::size_t SiWetEtchEngine::stripOf(std::int64_t column) const
{
    if (column <= 0 || strips.size() == 1)
        return 0;
    const std::int64_t width = strips.front()->hi - strips.front()->lo;
    return std::min<std::size_t>(std::size_t(column / width), strips.size() - 1);
}

void SiWetEtchEngine::runEtching()
{
    const std::shared_ptr<SiLattice> held = volume->getSiLattice();
    lattice = held.get();
    if (!lattice)
        return;
    if (floorPaced) {
        const std::uint64_t perLayer = std::max<std::uint64_t>(1, stepsPerLayer());
        stepCount = stepCount > std::numeric_limits<std::uint64_t>::max() / perLayer
                        ? std::numeric_limits<std::uint64_t>::max()
                        : stepCount * perLayer;
        floorPaced = false;
    }
    qCDebug(lcProcess) << "Running etching";

    // One strip per pool thread, each at least as wide as a bond reaches, so
    // a neighbour never lies beyond the next strip.
    const std::uint32_t sizeX = volume->getSizeX();
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, sizeX, SlabSplit::poolThreadCount());
    const std::uint32_t reach = reachInCells(bondReachXY, lattice->getCellUnits().x);
    if (slabs.empty() || slabs.front().end - slabs.front().begin < reach)
        slabs.assign(1, SlabSplit::Slab{0, sizeX});
    threadCount = unsigned(slabs.size());
    strips.clear();
    for (const SlabSplit::Slab &slab : slabs) {
        strips.push_back(std::make_unique<Strip>());
        strips.back()->lo = slab.begin;
        strips.back()->hi = slab.end;
    }

    TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
    cells = lock.writableCells();
    QElapsedTimer timer;
    timer.start();
    try {
        lattice->clearBoundaryAtoms();
        // Restoring first, for all strips, means no strip reads an atom
        // another strip is still switching back to silicon.
        SlabSplit::run(slabs, [this](std::size_t i, SlabSplit::Slab) { runPartialRestore(*strips[i]); });
        SlabSplit::run(slabs, [this](std::size_t i, SlabSplit::Slab) { runPartialInitialization(i); });
        qCDebug(lcProcess).nospace() << "Time to initialize the etch front " << timer.restart() << " ms";
        for (std::uint64_t step = 0; step < stepCount; ++step) {
            SlabSplit::run(slabs, [this](std::size_t i, SlabSplit::Slab) { runPartialEtchingStep(i); });
            SlabSplit::run(slabs, [this](std::size_t i, SlabSplit::Slab) { commitEtchingStep(i); });
            ++stepsRun;
            if (std::any_of(strips.begin(), strips.end(), [](const auto &s) { return !s->removed.empty(); }))
                lastRemovalStep = stepsRun;
            if (progress)
                progress->setProgress(step + 1, stepCount);
            // A step that changed nothing leaves the next one nothing to do:
            // the rest of a huge depth is not stepped through.
            const bool changed = std::any_of(strips.begin(), strips.end(), [](const auto &s) { return s->changed; });
            if (!changed)
                break;
        }
        qCDebug(lcProcess).nospace() << "Time for " << stepsRun << " etch steps " << timer.restart() << " ms";
        finishEtching();
    } catch (...) {
        strips.clear();
        throw;
    }
    lock.unlock();
    if (progress && stepsRun < stepCount)
        progress->setProgress(stepCount, stepCount);
}

void SiWetEtchEngine::runPartialRestore(Strip &strip)
{
    // Atoms that the last etch took from cells that are still silicon come back.
    const std::size_t columnCells = std::size_t(volume->getSizeY()) * volume->getSizeZ();
    for (std::size_t c = strip.lo * columnCells; c < strip.hi * columnCells; ++c) {
        if (cells[c].material != silicon || lattice->counter(c) >= lattice->builtCount(c))
            continue;
        std::uint32_t count = lattice->counter(c);
        for (const AtomId *a = lattice->cellAtomsBegin(c); a != lattice->cellAtomsEnd(c); ++a) {
            if (lattice->state(*a) != SiLattice::Silicon) {
                lattice->setState(*a, SiLattice::Silicon);
                ++count;
            }
        }
        lattice->setCounter(c, count);
        strip.restoredCells.push_back(c);
    }
}

void SiWetEtchEngine::runPartialInitialization(std::size_t index)
{
    Strip &strip = *strips[index];
    // Only atoms of silicon cells that have an empty, other or outside cell
    // within a bond's reach can miss a neighbour (restored cells aside), so
    // the strip marks its "solid" cells by eroding the silicon cells along
    // z, y and x in turn, and visits the others.
    const std::uint32_t sizeX = volume->getSizeX();
    const std::uint32_t sizeY = volume->getSizeY();
    const std::uint32_t sizeZ = volume->getSizeZ();
    const Util::Vector3D cellUnits = lattice->getCellUnits();
    const std::int64_t rx = reachInCells(bondReachXY, cellUnits.x);
    const std::int64_t ry = reachInCells(bondReachXY, cellUnits.y);
    const std::int64_t rz = reachInCells(bondReachZ, cellUnits.z);
    const std::int64_t first = std::int64_t(strip.lo) - rx;
    const std::size_t width = std::size_t(strip.hi - strip.lo) + 2 * std::size_t(rx);
    const std::size_t columnCells = std::size_t(sizeY) * sizeZ;
    std::vector<std::uint8_t> alongZ(width * columnCells, 0);
    std::vector<std::uint8_t> alongY(width * columnCells, 0);
    for (std::size_t w = 0; w < width; ++w) {
        const std::int64_t x = first + std::int64_t(w);
        if (x < 0 || x >= std::int64_t(sizeX))
            continue;
        for (std::int64_t y = 0; y < sizeY; ++y) {
            const Model::Automaton::Voxel *row = cells + (std::size_t(x) * sizeY + std::size_t(y)) * sizeZ;
            std::uint8_t *out = alongZ.data() + (w * sizeY + std::size_t(y)) * sizeZ;
            for (std::int64_t z = rz; z + rz < std::int64_t(sizeZ); ++z) {
                bool solid = true;
                for (std::int64_t d = -rz; d <= rz && solid; ++d)
                    solid = row[z + d].material == silicon;
                out[z] = solid;
            }
        }
    }
    for (std::size_t w = 0; w < width; ++w) {
        for (std::int64_t y = ry; y + ry < std::int64_t(sizeY); ++y) {
            for (std::size_t z = 0; z < sizeZ; ++z) {
                bool solid = true;
                for (std::int64_t d = -ry; d <= ry && solid; ++d)
                    solid = alongZ[(w * sizeY + std::size_t(y + d)) * sizeZ + z];
                alongY[(w * sizeY + std::size_t(y)) * sizeZ + z] = solid;
            }
        }
    }

    auto visitCell = [&](std::size_t c) {
        for (const AtomId *a = lattice->cellAtomsBegin(c); a != lattice->cellAtomsEnd(c); ++a) {
            ++strip.initializationVisits;
            if (lattice->presentNeighbourCount(*a) < 4)
                treatMissingNeighbors(*a, strip);
        }
    };
    auto restored = strip.restoredCells.cbegin();
    for (std::uint32_t x = strip.lo; x < strip.hi; ++x) {
        const std::size_t w = std::size_t(std::int64_t(x) - first);
        for (std::size_t y = 0; y < sizeY; ++y) {
            for (std::size_t z = 0; z < sizeZ; ++z) {
                const std::size_t c = (std::size_t(x) * sizeY + y) * sizeZ + z;
                if (cells[c].material != silicon)
                    continue;
                strip.top = std::max(strip.top, std::uint32_t(z) + 1);
                bool solid = true;
                for (std::int64_t d = -rx; d <= rx && solid; ++d)
                    solid = alongY[((w + std::size_t(d)) * sizeY + y) * sizeZ + z];
                while (restored != strip.restoredCells.cend() && *restored < c)
                    ++restored;
                const bool wasRestored = restored != strip.restoredCells.cend() && *restored == c;
                if (!solid || wasRestored)
                    visitCell(c);
            }
        }
    }
    strip.restoredCells.clear();
    strip.restoredCells.shrink_to_fit();

    qCDebug(lcProcess).nospace() << "Surface list size for thread " << index << ": " << strip.surface.size();
}

void SiWetEtchEngine::treatMissingNeighbors(AtomId atom, Strip &strip)
{
    // The atom is exposed when one of its bonds faces an empty cell. Open
    // bonds that lead outside the volume or into another material are closed
    // by a fixed boundary atom.
    const SiLattice::Site site = lattice->site(atom);
    const int sub = SiLattice::sublattice(site.basis);
    bool exposed = false;
    Util::Vector3D here;
    bool placed = false;
    for (int slot = 0; slot < 4; ++slot) {
        SiLattice::Site next;
        const bool inside = lattice->step(site, slot, next);
        const AtomId n = inside ? lattice->atomId(next) : SiLattice::noAtom;
        if (n != SiLattice::noAtom && lattice->inLattice(n)) {
            const std::int64_t c = lattice->cellIndexAt(lattice->position(next));
            if (c < 0)
                continue; // a fixed atom outside the volume
            const std::uint32_t material = cells[c].material;
            if (material == 0) {
                exposed = true;
                if (lattice->state(n) != SiLattice::Absent)
                    lattice->setState(n, SiLattice::Absent);
            } else if (material != silicon && lattice->state(n) != SiLattice::Fixed) {
                lattice->setState(n, SiLattice::Fixed);
            }
            continue;
        }
        if (!placed) {
            here = lattice->position(site);
            placed = true;
        }
        const std::int64_t c = lattice->cellIndexAt(here + SiLattice::bondVector(sub, slot));
        if (c >= 0 && cells[c].material == 0) {
            exposed = true;
        } else if (c < 0 || cells[c].material != silicon) {
            lattice->markBoundaryAtom(atom, slot);
            strip.createdAtoms.push_back(SiLattice::BoundaryAtom{atom, std::uint8_t(slot)});
        }
    }
    // Each atom is visited once, so it joins the front once.
    if (exposed) {
        lattice->setOnFront(atom, true);
        strip.surface.push_back(FrontAtom{atom, 1.0f});
    }
}

void SiWetEtchEngine::runPartialEtchingStep(std::size_t self)
{
    Strip &strip = *strips[self];
    const std::size_t sizeZ = volume->getSizeZ();
    strip.kept.clear();
    strip.lowerHandOver.clear();
    strip.upperHandOver.clear();
    strip.removed.clear();
    strip.changed = false;
    for (FrontAtom atom : strip.surface) {
        if (lattice->state(atom.id) != SiLattice::Silicon) {
            lattice->setOnFront(atom.id, false);
            continue;
        }
        ++strip.visits;
        const float before = atom.occupation;
        if (!dissolves(*lattice, atom)) {
            strip.changed = strip.changed || atom.occupation != before;
            strip.kept.push_back(atom);
            continue;
        }
        strip.changed = true;
        strip.removed.push_back(atom.id);
        ++strip.removedAtoms;
        const SiLattice::Site site = lattice->site(atom.id);
        const std::int64_t c = lattice->cellIndexAt(lattice->position(site));
        if (c >= 0) {
            const std::uint32_t count = lattice->counter(std::size_t(c));
            if (count == 0) {
                qCDebug(lcProcess).nospace() << "Negative atom count reached for index: " << c << " count is: -1";
            } else {
                lattice->setCounter(std::size_t(c), count - 1);
                if (count < 2) {
                    cells[c].material = 0;
                    const std::uint32_t z = std::uint32_t(std::size_t(c) % sizeZ);
                    strip.lowestEmptied = std::min(strip.lowestEmptied, z);
                }
            }
        }
        // Present neighbours may now dissolve: they join the front of the
        // strip that holds them. Fixed ones never dissolve and stay out.
        for (int slot = 0; slot < 4; ++slot) {
            SiLattice::Site next;
            if (!lattice->step(site, slot, next))
                continue;
            const AtomId n = lattice->atomId(next);
            if (!lattice->inLattice(n) || lattice->state(n) != SiLattice::Silicon)
                continue;
            // An atom already on the front keeps its entry (and occupation).
            std::size_t owner = self;
            if (strips.size() > 1) {
                const std::int64_t column = lattice->cellColumnAt(lattice->position(next).x);
                if (column < std::int64_t(strip.lo) || column >= std::int64_t(strip.hi))
                    owner = stripOf(column);
            }
            const FrontAtom entry{n, 1.0f};
            if (owner < self) {
                strip.lowerHandOver.push_back(entry);
            } else if (owner > self) {
                strip.upperHandOver.push_back(entry);
            } else if (!lattice->isOnFront(n)) {
                lattice->setOnFront(n, true);
                strip.kept.push_back(entry);
            }
        }
    }
}

void SiWetEtchEngine::commitEtchingStep(std::size_t index)
{
    Strip &strip = *strips[index];
    for (AtomId atom : strip.removed) {
        lattice->setState(atom, SiLattice::Absent);
        lattice->setOnFront(atom, false);
    }
    // The neighbours' lists were complete at the join; they are cleared by
    // their owners only at the start of the next step.
    auto takeOver = [&](const std::vector<FrontAtom> &from) {
        for (const FrontAtom &atom : from) {
            if (lattice->state(atom.id) == SiLattice::Silicon && !lattice->isOnFront(atom.id)) {
                lattice->setOnFront(atom.id, true);
                strip.kept.push_back(atom);
            }
        }
    };
    if (index > 0)
        takeOver(strips[index - 1]->upperHandOver);
    if (index + 1 < strips.size())
        takeOver(strips[index + 1]->lowerHandOver);
    strip.surface.swap(strip.kept);
    qCDebug(lcProcess).nospace() << "Surface list size for thread " << index << ": " << strip.surface.size();
}

void SiWetEtchEngine::finishEtching()
{
    std::vector<SiLattice::BoundaryAtom> boundary;
    std::uint32_t top = 0;
    std::uint32_t lowest = std::numeric_limits<std::uint32_t>::max();
    for (const auto &strip : strips) {
        top = std::max(top, strip->top);
        lowest = std::min(lowest, strip->lowestEmptied);
        for (const FrontAtom &atom : strip->surface)
            lattice->setOnFront(atom.id, false);
        boundary.insert(boundary.end(), strip->createdAtoms.begin(), strip->createdAtoms.end());
        atomVisits += strip->visits;
        initializationVisits += strip->initializationVisits;
        removedAtoms += strip->removedAtoms;
    }
    reachedCells = lowest < top ? top - lowest : 0;
    reachedBottom = reachedCells > 0 && lowest == 0;
    // Strips visit their cells in order, so the joined list is the same for any strip count.
    lattice->setBoundaryAtoms(std::move(boundary));
    strips.clear();
}

bool SiWetEtchEngine::stoppedEarly() const
{
    return stepCount > 0 && (stepsRun < stepCount || stepsRun - lastRemovalStep >= stallSteps());
}

QString SiWetEtchEngine::stopReport() const
{
    const Outcome result = outcome();
    if (!result.stoppedEarly)
        return QString();
    return QStringLiteral("etched %1 of the %2 asked; %3")
        .arg(micrometres(result.reached), micrometres(result.asked), result.why);
}

SiWetEtchEngine::Outcome SiWetEtchEngine::outcome() const
{
    Outcome result;
    result.asked = depth;
    result.reached = getReachedDepth();
    result.stoppedEarly = stoppedEarly();
    result.removedAtoms = removedAtoms;
    if (result.stoppedEarly)
        result.why = removedAtoms == 0 ? QStringLiteral("no silicon surface was open to the etchant")
                     : reachedBottom   ? QStringLiteral("it reached the bottom of the volume")
                                       : QStringLiteral("the pits closed on their {111} walls");
    return result;
}

void SiWetEtchEngine::describe(const Outcome &outcome, ProcessEffect &effect)
{
    if (outcome.removedAtoms > 0)
        effect.addHiddenChange(QStringLiteral("%1 atoms dissolved").arg(ProcessEffect::number(outcome.removedAtoms)));
    if (!outcome.stoppedEarly) {
        effect.noteLength(QStringLiteral("depth"), outcome.asked);
        return;
    }
    effect.addNote(QStringLiteral("depth %1 of the %2 asked: %3")
                       .arg(micrometres(outcome.reached), micrometres(outcome.asked), outcome.why));
    effect.setIdleReason(outcome.why);
}

} // namespace Operations
} // namespace Core

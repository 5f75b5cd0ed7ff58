#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IProgress.h"
#include "Util/Logging.h"
#include "Util/ParallelTasks.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThreadPool>
#include <QVector>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

namespace Core {
namespace Operations {

namespace {

// Saturates counts beyond the 64-bit counter (infinity included).
std::uint64_t saturated(double steps)
{
    if (!(steps < 18446744073709551616.0))
        return std::numeric_limits<std::uint64_t>::max();
    return std::uint64_t(steps);
}

} // namespace

SurfaceFrontProcess::SurfaceFrontProcess(Model::Automaton::TotalVolume *volume, float distance,
                                         OffsetStorage storage)
    : volume(volume)
    , distance(distance)
    , nx(volume->getSizeX())
    , ny(volume->getSizeY())
    , nz(volume->getSizeZ())
    , cx(volume->getCellSizeX())
    , cy(volume->getCellSizeY())
    , cz(volume->getCellSizeZ())
    , faceSteps{{{0.0f, 0.0f, -cz}, {0.0f, 0.0f, cz},
                 {0.0f, -cy, 0.0f}, {0.0f, cy, 0.0f},
                 {-cx, 0.0f, 0.0f}, {cx, 0.0f, 0.0f}}}
    , storage(storage)
    , requestedStripCount(unsigned(std::max(1, QThreadPool::globalInstance()->maxThreadCount())))
{
}

SurfaceFrontProcess::~SurfaceFrontProcess() = default;

bool SurfaceFrontProcess::chooseStepCounts()
{
    // Steps 2k and 2k + 1 are the two neighbours along one axis: each must
    // move along that axis only, by the same length.
    const auto along = [](const FaceStep &s, int axis) { return axis == 0 ? s.x : axis == 1 ? s.y : s.z; };
    float lengths[3] = {0.0f, 0.0f, 0.0f};
    bool symmetric = true;
    for (int pair = 0; pair < 3; ++pair) {
        const int axis = 2 - pair; // the pairs run z, y, x
        const FaceStep &a = faceSteps[2 * pair], &b = faceSteps[2 * pair + 1];
        for (int other = 0; other < 3; ++other) {
            if (other != axis && (along(a, other) != 0.0f || along(b, other) != 0.0f))
                return false;
        }
        const float la = std::fabs(along(a, axis)), lb = std::fabs(along(b, axis));
        if (la != lb || !(la > 0.0f) || !std::isfinite(la))
            return false;
        symmetric = symmetric && along(a, axis) == -along(b, axis);
        lengths[axis] = la;
    }
    // A count grows by at most one per step; with opposite steps on each
    // axis it is also the distance in cells to a source inside the volume.
    constexpr std::uint64_t largest = 32767;
    const std::uint64_t extent = std::max({nx, ny, nz}) - 1u;
    const std::uint64_t bound = symmetric ? std::min<std::uint64_t>(extent, stepsTotal) : stepsTotal;
    if (bound > largest)
        return false;
    stepLength = {lengths[0], lengths[1], lengths[2]};
    inverseStep = {1.0f / lengths[0], 1.0f / lengths[1], 1.0f / lengths[2]};
    return true;
}

std::uint64_t SurfaceFrontProcess::reachStepCount(float distance, float cellSizeX, float cellSizeY,
                                                  float cellSizeZ)
{
    const float smallest = std::min({cellSizeX, cellSizeY, cellSizeZ});
    if (!(distance > 0.0f) || !(smallest > 0.0f))
        return 0;
    // A cell at distance t along a body diagonal is sqrt 3 * t / c face steps
    // from its source; one more step lets it pass the offset on once.
    return saturated(std::ceil(std::sqrt(3.0) * double(distance) / double(smallest)) + 1.0);
}

std::uint64_t SurfaceFrontProcess::stepCount(float distance, float cellSizeX, float cellSizeY,
                                             float cellSizeZ)
{
    const float smallest = std::min({cellSizeX, cellSizeY, cellSizeZ});
    if (!(distance > 0.0f) || !(smallest > 0.0f))
        return 0;
    const float cellsAcross = std::ceil(distance / smallest);
    const double root2 = std::sqrt(2.0);
    return saturated(double(cellsAcross) * (1.0 + root2) / root2);
}

std::uint64_t SurfaceFrontProcess::computeStepCount() const
{
    return reachStepCount(distance, cx, cy, cz);
}

void SurfaceFrontProcess::finishStrip(Strip &)
{
}

void SurfaceFrontProcess::run()
{
    QElapsedTimer timer;
    timer.start();

    stepsDone = 0;
    computeTime = 0;
    commitTime = 0;
    stepsTotal = computeStepCount();

    // Strips of height nx / T; the last one takes the remainder. With fewer
    // than two x layers per strip the whole run stays in the calling thread.
    unsigned count = requestedStripCount;
    if (count == 0)
        count = unsigned(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    const std::uint32_t height = nx / count;
    if (height < 2)
        count = 1;
    concurrent = count > 1;
    stripsUsed = count;
    strips.reset(new Strip[count]);
    for (unsigned i = 0; i < count; ++i) {
        strips[i].xBegin = i * height;
        strips[i].xEnd = i + 1 == count ? nx : (i + 1) * height;
        strips[i].nextLayers.resize(strips[i].xEnd - strips[i].xBegin);
    }

    // Working state for this run only, taken before a cell is written: when
    // it cannot be had the run fails with std::bad_alloc and the volume is as
    // it was. The state bytes are set strip by strip; the offsets only where
    // the front writes them, so the pages of the cells it never reaches are
    // never touched.
    const std::size_t cellCount = volume->getCellCount();
    const bool perCell = storage == OffsetStorage::PerCell;
    const bool counted = perCell && chooseStepCounts();
    const std::size_t bytesPerCell = 1 + (!perCell ? 0 : counted ? sizeof(StepCounts) : sizeof(Offset));
    Model::Automaton::MemoryBudget::claim(std::uint64_t(cellCount) * bytesPerCell);
    using Start = Util::LargeArray<std::uint8_t>::Start;
    cellStates = Util::LargeArray<std::uint8_t>(cellCount, Start::WrittenWhole);
    // Nearly every column of a wafer holds some surface, and a column's
    // offsets share a page or two, so the front touches nearly every page
    // of them: they are faulted in at once as well.
    if (counted)
        stepCounts = Util::LargeArray<StepCounts>(cellCount, Util::LargeArray<StepCounts>::Start::WrittenWhole);
    else if (perCell)
        offsets = Util::LargeArray<Offset>(cellCount, Util::LargeArray<Offset>::Start::Unset);

    qint64 initialised = 0;
    {
        using CellsLock = Model::Automaton::TotalVolume::CellsLock;
        const CellsLock lock(*volume, CellsLock::Write);
        cells = lock.writableCells();

        qCDebug(lcProcess) << "Surface front:" << stepsTotal << "steps," << count << "strips of height"
                           << (count == 1 ? nx : height) << ", distance" << distance;

        initialisePass();
        initialised = timer.nsecsElapsed();
        if (progress)
            progress->setProgress(0, stepsTotal);

        while (stepsDone < stepsTotal) {
            if (frontSize() == 0) {
                // Nothing is left to improve: the remaining steps would not
                // change a cell.
                qCDebug(lcProcess) << "Surface front empty after" << stepsDone << "steps";
                break;
            }
            stepPass();
            ++stepsDone;
            if (progress)
                progress->setProgress(stepsDone, stepsTotal);
        }
        finishPass();

        offsets.reset();
        stepCounts.reset();
        cellStates.reset();
        strips.reset();
        cells = nullptr;
    }
    if (progress)
        progress->setProgress(stepsTotal, stepsTotal);
    qCDebug(lcProcess) << "Elapsed time" << timer.elapsed() << "ms," << stepsDone << "steps; initialisation"
                       << initialised / 1000000 << "ms, compute" << computeTime / 1000000 << "ms, commit"
                       << commitTime / 1000000 << "ms";
}

template <class Task>
void SurfaceFrontProcess::forEachStrip(Task task)
{
    if (!concurrent) {
        for (unsigned i = 0; i < stripsUsed; ++i)
            task(strips[i], i);
        return;
    }
    // A strip's failure (std::bad_alloc as its lists grow) is passed on to
    // the caller once every strip has ended, since they all work on this
    // object.
    Util::ParallelTasks::run(stripsUsed, [this, &task](std::size_t i) { task(strips[i], unsigned(i)); });
}

void SurfaceFrontProcess::initialisePass()
{
    const std::size_t nyz = std::size_t(ny) * nz;
    forEachStrip([this, nyz](Strip &strip, unsigned) {
        strip.front.clear();
        strip.lower.clear();
        strip.upper.clear();
        std::memset(cellStates.get() + strip.xBegin * nyz, 0, (strip.xEnd - strip.xBegin) * nyz);
        initialiseStrip(strip);
    });
    bool handedOver = false;
    for (unsigned i = 0; i < stripsUsed; ++i)
        handedOver = handedOver || !strips[i].lower.empty() || !strips[i].upper.empty();
    forEachStrip([this, handedOver](Strip &strip, unsigned i) {
        if (handedOver) {
            for (std::vector<std::size_t> &layer : strip.nextLayers)
                layer.clear();
            mergeHandOvers(strip, i);
            gatherNextLayers(strip);
        }
        // A front must not hold a cell twice; the usual initialisation
        // already gives ascending indices, so this costs one look.
        std::vector<std::size_t> &front = strip.front;
        if (std::adjacent_find(front.begin(), front.end(), std::greater_equal<std::size_t>()) != front.end()) {
            std::sort(front.begin(), front.end());
            front.erase(std::unique(front.begin(), front.end()), front.end());
        }
    });
    if (lcProcess().isDebugEnabled())
        qCDebug(lcProcess) << "Surface front: initial front" << frontSize() << "cells";
}

void SurfaceFrontProcess::stepPass()
{
    QElapsedTimer timer;
    timer.start();
    forEachStrip([this](Strip &strip, unsigned) { advanceStrip(strip); });
    const qint64 computed = timer.nsecsElapsed();
    forEachStrip([this](Strip &strip, unsigned i) { commitStrip(strip, i); });
    computeTime += computed;
    commitTime += timer.nsecsElapsed() - computed;
    if (lcProcess().isDebugEnabled()) {
        QVector<qulonglong> sizes;
        for (unsigned i = 0; i < stripsUsed; ++i)
            sizes.append(strips[i].front.size());
        qCDebug(lcProcess) << "Surface front step" << stepsDone + 1 << "front sizes" << sizes;
    }
}

// Appends the cells the neighbouring strips handed over to the next front,
// each once: strip i-1 hands over cells of layer xBegin, strip i+1 cells of
// layer xEnd - 1.
void SurfaceFrontProcess::mergeHandOvers(Strip &strip, std::size_t index)
{
    const auto take = [&](Strip &neighbour, std::vector<std::size_t> Strip::*list,
                          std::vector<std::size_t> &layer) {
        QMutexLocker locker(&neighbour.mutex);
        for (const std::size_t n : neighbour.*list) {
            if (!(cellStates[n] & Queued)) {
                cellStates[n] |= Queued;
                layer.push_back(n);
            }
        }
    };
    if (strip.nextLayers.empty())
        return;
    if (index > 0)
        take(strips[index - 1], &Strip::upper, strip.nextLayers.front());
    if (index + 1 < stripsUsed)
        take(strips[index + 1], &Strip::lower, strip.nextLayers.back());
}

// Appends the next front, layer by layer, to strip.front.
void SurfaceFrontProcess::gatherNextLayers(Strip &strip)
{
    for (std::vector<std::size_t> &layer : strip.nextLayers) {
        strip.front.insert(strip.front.end(), layer.begin(), layer.end());
    }
}

void SurfaceFrontProcess::beginAdvance(Strip &strip)
{
    strip.lower.clear();
    strip.upper.clear();
    strip.updates.clear();
    for (std::vector<std::size_t> &layer : strip.nextLayers)
        layer.clear();
    std::uint8_t *state = cellStates.get();
    for (const std::size_t p : strip.front)
        storeState(state + p, std::uint8_t(loadState(state + p) & ~Queued));
}

void SurfaceFrontProcess::commitStrip(Strip &strip, std::size_t index)
{
    mergeHandOvers(strip, index);
    for (const Strip::Update &update : strip.updates) {
        if (cells[update.cell].material != update.material) {
            cells[update.cell].material = update.material;
            cellStates[update.cell] &= std::uint8_t(~(Known | Joins));
        }
        if (storage == OffsetStorage::PerCell) {
            storeOffset(update.cell, update.offset);
            cellStates[update.cell] |= HasOffset;
        }
    }
    strip.front.clear();
    gatherNextLayers(strip);
}

void SurfaceFrontProcess::finishPass()
{
    forEachStrip([this](Strip &strip, unsigned) { finishStrip(strip); });
}

std::size_t SurfaceFrontProcess::frontSize() const
{
    std::size_t size = 0;
    for (unsigned i = 0; i < stripsUsed; ++i)
        size += strips[i].front.size();
    return size;
}

} // namespace Operations
} // namespace Core

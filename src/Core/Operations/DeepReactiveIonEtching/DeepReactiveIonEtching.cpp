#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtching.h"

#include "Core/Operations/Engines/FluxEngine.h"
#include "Core/Operations/Engines/LayerProcess.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/IProgress.h"
#include "Util/LargeArray.h"
#include "Util/Logging.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

// Column work on the polymer: strip all of it, or clear the top of the first
// solid of every column down to `clearCells` cells when that solid is polymer.
class PolymerColumns : public LayerProcess
{
public:
    PolymerColumns(TotalVolume *volume, std::uint32_t clearCells) : LayerProcess(volume), clearCells(clearCells) {}

protected:
    void processSlab(Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const override
    {
        const std::uint32_t polymer = DeepReactiveIonEtching::polymerMaterial;
        for (std::size_t c = std::size_t(xBegin) * ny; c < std::size_t(xEnd) * ny; ++c) {
            Voxel *column = cells + c * nz;
            if (clearCells == 0) {
                for (std::uint32_t z = 0; z < nz; ++z) {
                    if (column[z].material == polymer)
                        column[z].material = 0;
                }
                continue;
            }
            std::uint32_t z = nz;
            while (z > 0 && column[z - 1].material == 0)
                --z;
            for (std::uint32_t cleared = 0; z > 0 && cleared < clearCells && column[z - 1].material == polymer;
                 ++cleared, --z)
                column[z - 1].material = 0;
        }
    }

private:
    std::uint32_t clearCells;
};

// The front step of the etch from chosen sources: it moves through the etched
// material only, so other materials mask it and the empty cells that are not
// sources neither start nor carry it.
struct SourceEtchStep
{
    static constexpr bool mooreNeighbourhood = false;
    static constexpr bool distanceField = true;
    std::uint32_t material;
    float limit; // the radius, squared
    bool takesPart(std::uint32_t id) const { return id == 0 || id == material; }
    float limitSquared(std::uint32_t) const { return limit; }
    std::uint32_t apply(std::uint32_t id) const { return id == material ? 0 : id; }
    bool joins(std::uint32_t id) const { return id == material; }
};

// The isotropic etch of the material within `radius` of a set of empty
// source cells (ascending indices) on the surface front: the union of the
// balls about them, the distance taken through the material. Only the
// sources and the material cells beside them are set up, so a run costs
// little more than the cells it reaches.
class SourceEtching : public SurfaceFrontProcess
{
public:
    SourceEtching(TotalVolume *volume, std::uint32_t material, float radius, const std::vector<std::size_t> &sources)
        : SurfaceFrontProcess(volume, radius)
        , material(material)
        , sources(sources)
    {
    }

protected:
    void initialiseStrip(Strip &strip) override
    {
        const std::size_t nyz = std::size_t(ny) * nz;
        const std::size_t begin = std::size_t(strip.xBegin) * nyz;
        const std::size_t end = std::size_t(strip.xEnd) * nyz;
        strip.front.clear();
        auto i = std::lower_bound(sources.begin(), sources.end(), begin);
        const auto last = std::lower_bound(i, sources.end(), end);
        for (; i != last; ++i) {
            const std::size_t s = *i;
            initialiseCell(s, CellRole::Source);
            const std::uint32_t z = std::uint32_t(s % nz);
            const std::uint32_t y = std::uint32_t((s / nz) % ny);
            const std::uint32_t x = std::uint32_t(s / nyz);
            const auto take = [&](std::size_t n, std::uint32_t xn) {
                if (cells[n].material != material)
                    return;
                if (xn < strip.xBegin)
                    strip.lower.push_back(n);
                else if (xn >= strip.xEnd)
                    strip.upper.push_back(n);
                else
                    strip.front.push_back(n);
            };
            if (z > 0)
                take(s - 1, x);
            if (z + 1 < nz)
                take(s + 1, x);
            if (y > 0)
                take(s - nz, x);
            if (y + 1 < ny)
                take(s + nz, x);
            if (x > 0)
                take(s - nyz, x - 1);
            if (x + 1 < nx)
                take(s + nyz, x + 1);
        }
        std::sort(strip.front.begin(), strip.front.end());
        strip.front.erase(std::unique(strip.front.begin(), strip.front.end()), strip.front.end());
    }

    void advanceStrip(Strip &strip) override { advanceFront(strip, SourceEtchStep{material, distance * distance}); }

private:
    std::uint32_t material;
    const std::vector<std::size_t> &sources;
};

struct Exposed
{
    std::vector<std::size_t> cells; // empty cells beside the material, ascending
    std::vector<char> floors; // the material right below
};

// The empty cells with a face neighbour of the material.
Exposed exposedCells(const Voxel *cells, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, std::uint32_t material,
                     const std::vector<SlabSplit::Slab> &slabs)
{
    std::vector<Exposed> parts(slabs.size());
    const std::size_t nyz = std::size_t(ny) * nz;
    SlabSplit::run(slabs, [&](std::size_t s, SlabSplit::Slab slab) {
        Exposed &part = parts[s];
        for (std::uint32_t x = slab.begin; x < slab.end; ++x) {
            for (std::uint32_t y = 0; y < ny; ++y) {
                const std::size_t base = std::size_t(x) * nyz + std::size_t(y) * nz;
                for (std::uint32_t z = 0; z < nz; ++z) {
                    const std::size_t i = base + z;
                    if (cells[i].material != 0)
                        continue;
                    const bool floor = z > 0 && cells[i - 1].material == material;
                    const bool exposed = floor || (z + 1 < nz && cells[i + 1].material == material)
                        || (y > 0 && cells[i - nz].material == material)
                        || (y + 1 < ny && cells[i + nz].material == material)
                        || (x > 0 && cells[i - nyz].material == material)
                        || (x + 1 < nx && cells[i + nyz].material == material);
                    if (!exposed)
                        continue;
                    part.cells.push_back(i);
                    part.floors.push_back(floor ? 1 : 0);
                }
            }
        }
    });
    Exposed all;
    std::size_t total = 0;
    for (const Exposed &part : parts)
        total += part.cells.size();
    all.cells.reserve(total);
    all.floors.reserve(total);
    for (Exposed &part : parts) {
        all.cells.insert(all.cells.end(), part.cells.begin(), part.cells.end());
        all.floors.insert(all.floors.end(), part.floors.begin(), part.floors.end());
    }
    return all;
}

} // namespace

DeepReactiveIonEtching::DeepReactiveIonEtching(TotalVolume *volume, std::uint32_t etchMaterial, std::uint32_t cycles,
                                               double etchPerCycle, double passivation, bool aspectRatioDependent)
    : volume(volume)
    , material(etchMaterial)
    , cycles(cycles)
    , etch(etchPerCycle)
    , passivation(passivation)
    , arde(aspectRatioDependent)
    , rays(rayCount)
{
}

double DeepReactiveIonEtching::openSurfaceDepth(std::uint32_t cycles, double etchPerCycle)
{
    return etchPerCycle > 0.0 ? double(cycles) * etchPerCycle : 0.0;
}

double DeepReactiveIonEtching::effectivePassivation(double passivation, float cellX, float cellY, float cellZ)
{
    return std::max({passivation, double(cellX), double(cellY), double(cellZ)});
}

double DeepReactiveIonEtching::getDepth() const
{
    double depth = 0.0;
    for (const Opening &o : openings)
        depth = std::max(depth, o.depth);
    return depth;
}

void DeepReactiveIonEtching::run()
{
    QElapsedTimer timer;
    timer.start();
    fluxSeconds = 0.0;
    openings.clear();
    if (material == 0 || material == polymerMaterial || cycles == 0 || !(etch > 0.0) || !std::isfinite(etch)) {
        seconds = 0.0;
        return;
    }
    const std::vector<std::uint32_t> before = materialTops();
    carry.assign(std::size_t(volume->getSizeX()) * volume->getSizeY(), 0.0f);
    // Every coat and etch of every cycle runs a front over the whole volume:
    // each takes over the working memory the one before gave back.
    const Util::LargeAllocation::KeepSpares spares;
    for (std::uint32_t cycle = 0; cycle < cycles; ++cycle) {
        if (progress)
            progress->setProgress(cycle, cycles);
        runCycle(cycle);
        if (cycleHook)
            cycleHook(cycle + 1);
    }
    PolymerColumns strip(volume, 0);
    strip.setStripCount(unsigned(threads > 0 ? threads : SlabSplit::poolThreadCount()));
    strip.run();
    carry = {};
    findOpenings(before, materialTops());
    if (progress)
        progress->setProgress(cycles, cycles);
    seconds = timer.nsecsElapsed() * 1e-9;
    qCDebug(lcProcess) << "Deep etch:" << cycles << "cycles in" << seconds << "s, flux engine" << fluxSeconds << "s";
}

void DeepReactiveIonEtching::runCycle(std::uint32_t)
{
    const unsigned strips = unsigned(threads > 0 ? threads : SlabSplit::poolThreadCount());
    const float cx = volume->getCellSizeX(), cy = volume->getCellSizeY(), cz = volume->getCellSizeZ();
    const double coat = effectivePassivation(passivation, cx, cy, cz);

    // 1. A fresh conformal coat.
    PolymerColumns strip(volume, 0);
    strip.setStripCount(strips);
    strip.run();
    IsotropicFilmDeposition deposition(volume, polymerMaterial, float(coat));
    deposition.setStripCount(strips);
    deposition.run();

    // 2. The ions clear what they see from straight above, to the coat's depth.
    const std::uint32_t clearCells = std::uint32_t(std::max(1.0, std::ceil(coat / cz - 1e-6)));
    PolymerColumns clearing(volume, clearCells);
    clearing.setStripCount(strips);
    clearing.run();

    // 3. The etch of what lies bare: every exposed cell etches the ball of
    // the etch per cycle times its view factor (1 without ARDE), rounded to
    // whole cells (a floor adds its column's carry first). The cells of one
    // rounded radius go in one run of the front, largest radius first.
    const std::uint32_t nx = volume->getSizeX(), ny = volume->getSizeY(), nz = volume->getSizeZ();
    const std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, nx, int(strips));
    Exposed exposed;
    std::vector<float> wanted; // cells
    {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
        const Voxel *cells = lock.cells();
        exposed = exposedCells(cells, nx, ny, nz, material, slabs);
        std::vector<float> factors;
        if (arde) {
            QElapsedTimer flux;
            flux.start();
            const FluxEngine engine(FluxEngine::Grid{cells, nx, ny, nz, cx, cy, cz}, rays);
            factors = engine.viewFactors(exposed.cells, int(strips));
            fluxSeconds += flux.nsecsElapsed() * 1e-9;
        }
        wanted.resize(exposed.cells.size());
        for (std::size_t i = 0; i < exposed.cells.size(); ++i) {
            double cellsDeep = etch * (arde ? double(factors[i]) : 1.0) / cz;
            if (exposed.floors[i])
                cellsDeep += double(carry[exposed.cells[i] / nz]);
            wanted[i] = float(cellsDeep);
        }
    }
    std::uint32_t largest = 0;
    for (const float w : wanted)
        largest = std::max(largest, std::uint32_t(std::max(0.0f, std::round(w))));
    std::vector<std::size_t> sources;
    for (std::uint32_t level = largest; level > 0; --level) {
        sources.clear();
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            if (std::uint32_t(std::max(0.0f, std::round(wanted[i]))) == level)
                sources.push_back(exposed.cells[i]);
        }
        if (sources.empty())
            continue;
        SourceEtching etching(volume, material, float((level + 0.5) * cz), sources);
        etching.setStripCount(strips);
        etching.run();
    }

    // The new carries: what each floor should have lost, less what it lost.
    const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
    const Voxel *cells = lock.cells();
    for (std::size_t i = 0; i < exposed.cells.size(); ++i) {
        if (!exposed.floors[i])
            continue;
        const std::size_t cell = exposed.cells[i];
        const std::size_t bottom = cell - cell % nz;
        std::size_t z = cell;
        while (z > bottom && cells[z - 1].material == 0)
            --z;
        carry[cell / nz] = float(std::clamp(double(wanted[i]) - double(cell - z), -0.5, 0.5));
    }
}

std::vector<std::uint32_t> DeepReactiveIonEtching::materialTops() const
{
    const std::uint32_t nx = volume->getSizeX(), ny = volume->getSizeY(), nz = volume->getSizeZ();
    std::vector<std::uint32_t> tops(std::size_t(nx) * ny, 0);
    const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
    const Voxel *cells = lock.cells();
    const auto slabs = SlabSplit::split(0, nx, threads > 0 ? threads : SlabSplit::poolThreadCount());
    SlabSplit::run(slabs, [&](std::size_t, SlabSplit::Slab slab) {
        for (std::size_t c = std::size_t(slab.begin) * ny; c < std::size_t(slab.end) * ny; ++c) {
            const Voxel *column = cells + c * nz;
            for (std::uint32_t z = nz; z > 0; --z) {
                if (column[z - 1].material == material) {
                    tops[c] = z;
                    break;
                }
            }
        }
    });
    return tops;
}

void DeepReactiveIonEtching::findOpenings(const std::vector<std::uint32_t> &before,
                                          const std::vector<std::uint32_t> &after)
{
    const std::uint32_t ny = volume->getSizeY();
    const double cz = volume->getCellSizeZ();
    const std::size_t columns = before.size();
    std::vector<bool> seen(columns, false);
    std::vector<std::size_t> queue;
    for (std::size_t c = 0; c < columns; ++c) {
        if (seen[c] || after[c] >= before[c])
            continue;
        Opening opening{std::uint32_t(c / ny), std::uint32_t(c % ny), 0, 0.0};
        queue.assign(1, c);
        seen[c] = true;
        while (!queue.empty()) {
            const std::size_t k = queue.back();
            queue.pop_back();
            ++opening.columns;
            opening.depth = std::max(opening.depth, double(before[k] - after[k]) * cz);
            const std::size_t x = k / ny, y = k % ny;
            const auto visit = [&](std::size_t n) {
                if (!seen[n] && after[n] < before[n]) {
                    seen[n] = true;
                    queue.push_back(n);
                }
            };
            if (x > 0)
                visit(k - ny);
            if (k + ny < columns)
                visit(k + ny);
            if (y > 0)
                visit(k - 1);
            if (y + 1 < ny)
                visit(k + 1);
        }
        openings.push_back(opening);
    }
}

void DeepReactiveIonEtching::describe(ProcessEffect &effect, std::uint32_t etchMaterial, std::uint32_t cycles,
                                      double etchPerCycle, const std::vector<Opening> &openings)
{
    effect.needMaterial(etchMaterial);
    if (cycles == 0)
        effect.setIdleReason(QStringLiteral("the cycle count is 0"));
    if (!(etchPerCycle > 0.0))
        effect.setIdleReason(QStringLiteral("the etch per cycle is %1").arg(ProcessEffect::micrometres(etchPerCycle)));
    if (openings.empty())
        return;
    if (openings.size() == 1) {
        effect.noteLength(QStringLiteral("depth"), openings.front().depth);
        return;
    }
    // The openings in index order (by x, then y of their first column).
    const std::size_t listed = std::min<std::size_t>(openings.size(), 8);
    QStringList depths;
    for (std::size_t i = 0; i < listed; ++i)
        depths << ProcessEffect::micrometres(openings[i].depth);
    QString text = QStringLiteral("depth per opening %1").arg(depths.join(QStringLiteral(", ")));
    if (openings.size() > listed)
        text += QStringLiteral(" and %1 more").arg(openings.size() - listed);
    effect.addNote(text);
}

} // namespace Operations
} // namespace Core

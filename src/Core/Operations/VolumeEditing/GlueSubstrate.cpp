#include "Core/Operations/VolumeEditing/GlueSubstrate.h"

#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

int threadsOrPool(int threadCount)
{
    return threadCount > 0 ? threadCount : SlabSplit::poolThreadCount();
}

// The slabs of [0, size), or one slab when they would be narrower than two columns.
std::vector<SlabSplit::Slab> strips(std::uint32_t size, int threadCount)
{
    if (size / std::uint32_t(std::max(1, threadCount)) < 2)
        return {SlabSplit::Slab{0, size}};
    return SlabSplit::split(0, size, threadCount);
}

// The occupied z range of a volume, over all its columns: [lowest, highest),
// lowest = z size and highest = 0 when every cell is empty.
struct ZRange
{
    std::uint32_t lowest;
    std::uint32_t highest;
};

ZRange occupiedRange(TotalVolume &volume, int threadCount)
{
    const std::uint32_t nx = volume.getSizeX(), ny = volume.getSizeY(), nz = volume.getSizeZ();
    const auto slabs = strips(nx, threadCount);
    std::vector<ZRange> perSlab(slabs.size(), ZRange{nz, 0});
    {
        const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
        const Voxel *cells = lock.cells();
        SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
            ZRange range{nz, 0};
            for (std::uint32_t x = slab.begin; x < slab.end; ++x) {
                for (std::uint32_t y = 0; y < ny; ++y) {
                    const Voxel *column = cells + volume.index(x, y, 0);
                    std::uint32_t z = 0;
                    while (z < range.lowest && column[z].material == 0)
                        ++z;
                    range.lowest = std::min(range.lowest, z);
                    std::uint32_t top = nz;
                    while (top > range.highest && column[top - 1].material == 0)
                        --top;
                    range.highest = std::max(range.highest, top);
                }
            }
            perSlab[i] = range;
        });
    }
    ZRange joined{nz, 0};
    for (const ZRange &range : perSlab) {
        joined.lowest = std::min(joined.lowest, range.lowest);
        joined.highest = std::max(joined.highest, range.highest);
    }
    return joined;
}

} // namespace

GlueOptions GlueOptions::minimal(const GlueLayout &layout, bool invert)
{
    GlueOptions options;
    options.finalSizeX = layout.minSizeX;
    options.finalSizeY = layout.minSizeY;
    options.finalSizeZ = std::uint32_t(std::min<std::uint64_t>(layout.minSizeZ, std::numeric_limits<std::uint32_t>::max()));
    options.invertTop = invert;
    return options;
}

GlueLayout GlueSubstrate::measure(TotalVolume &base, TotalVolume &top, int threadCount)
{
    const int threads = threadsOrPool(threadCount);
    GlueLayout layout;
    const ZRange baseRange = occupiedRange(base, threads);
    layout.baseTop = std::max<std::uint32_t>(1, baseRange.highest);
    const ZRange topRange = occupiedRange(top, threads);
    layout.topLowest = topRange.lowest;
    // An empty top has no highest layer: it adds none.
    layout.topHighest = topRange.highest > topRange.lowest ? topRange.highest : topRange.lowest;
    layout.minSizeX = std::max(base.getSizeX(), top.getSizeX());
    layout.minSizeY = std::max(base.getSizeY(), top.getSizeY());
    layout.minSizeZ = std::uint64_t(layout.baseTop) + (layout.topHighest - layout.topLowest);
    layout.maxDisplacementX = layout.minSizeX - top.getSizeX();
    layout.maxDisplacementY = layout.minSizeY - top.getSizeY();
    layout.cellSizeX = base.getCellSizeX();
    layout.cellSizeY = base.getCellSizeY();
    layout.cellSizeZ = base.getCellSizeZ();
    layout.topCellSizeX = top.getCellSizeX();
    layout.topCellSizeY = top.getCellSizeY();
    layout.topCellSizeZ = top.getCellSizeZ();
    return layout;
}

QString GlueSubstrate::cellSizeRefusal(const GlueLayout &layout)
{
    if (layout.cellSizeX == layout.topCellSizeX && layout.cellSizeY == layout.topCellSizeY
        && layout.cellSizeZ == layout.topCellSizeZ)
        return QString();
    const auto sizes = [](float x, float y, float z) {
        return QStringLiteral("%1 x %2 x %3 µm").arg(double(x)).arg(double(y)).arg(double(z));
    };
    return QStringLiteral(": the base's cells are %1 and the top's %2; only volumes of the same cell size can be "
                          "glued.")
        .arg(sizes(layout.cellSizeX, layout.cellSizeY, layout.cellSizeZ),
             sizes(layout.topCellSizeX, layout.topCellSizeY, layout.topCellSizeZ));
}

QString GlueSubstrate::refusal(const GlueLayout &layout, const TotalVolume &top, const GlueOptions &options)
{
    const QString cellSizes = cellSizeRefusal(layout);
    if (!cellSizes.isEmpty())
        return cellSizes;
    if (options.finalSizeX < layout.minSizeX || options.finalSizeY < layout.minSizeY
        || options.finalSizeZ < layout.minSizeZ)
        return QStringLiteral(": the final volume must be at least %1 x %2 x %3 cells.")
            .arg(layout.minSizeX)
            .arg(layout.minSizeY)
            .arg(layout.minSizeZ);
    // Against the final sizes, in 64 bits, so the top always lies inside the result.
    if (std::uint64_t(options.displacementX) + top.getSizeX() > options.finalSizeX
        || std::uint64_t(options.displacementY) + top.getSizeY() > options.finalSizeY)
        return QStringLiteral(": the top cell volume does not fit at that displacement.");
    return QString();
}

QString GlueSubstrate::memoryRefusal(const GlueOptions &options)
{
    return QStringLiteral(": not enough memory for a volume of %1 x %2 x %3 cells.")
        .arg(options.finalSizeX)
        .arg(options.finalSizeY)
        .arg(options.finalSizeZ);
}

std::shared_ptr<TotalVolume> GlueSubstrate::build(TotalVolume &base, TotalVolume &top, const GlueLayout &layout,
                                                  const GlueOptions &options, int threadCount)
{
    QElapsedTimer clock;
    clock.start();
    const int threads = threadsOrPool(threadCount);
    const std::uint32_t fx = options.finalSizeX, fy = options.finalSizeY, fz = options.finalSizeZ;
    // The guard runs before anything is allocated or locked.
    Model::Automaton::MemoryBudget::check(fx, fy, fz);
    auto glued = std::make_shared<TotalVolume>(fx, fy, fz, layout.cellSizeX, layout.cellSizeY, layout.cellSizeZ,
                                               base.getPosition(), TotalVolume::Cells::Unset);

    const TotalVolume::CellsLock gluedLock(*glued, TotalVolume::CellsLock::Write);
    Voxel *out = gluedLock.writableCells();
    const std::size_t plane = std::size_t(fy) * fz;
    SlabSplit::run(strips(fx, threads), [&](std::size_t, SlabSplit::Slab slab) {
        std::fill(out + slab.begin * plane, out + slab.end * plane, Voxel(0));
    });

    const std::uint32_t bx = base.getSizeX(), by = base.getSizeY(), bz = base.getSizeZ();
    const std::uint32_t tx = top.getSizeX(), ty = top.getSizeY();
    const std::uint32_t baseLayers = std::min(layout.baseTop, bz);
    auto baseStrips = strips(bx, threads);
    auto topStrips = strips(tx, threads);
    if (baseStrips.size() != topStrips.size()) {
        baseStrips = {SlabSplit::Slab{0, bx}};
        topStrips = {SlabSplit::Slab{0, tx}};
    }
    const TotalVolume::CellsLock baseLock(base, TotalVolume::CellsLock::Read);
    const TotalVolume::CellsLock topLock(top, TotalVolume::CellsLock::Read);
    const Voxel *baseCells = baseLock.cells();
    const Voxel *topCells = topLock.cells();
    auto copyStrips = [&](std::size_t i, SlabSplit::Slab baseStrip) {
        // The base below baseTop and the top from baseTop upward: the two
        // copies never write the same cell, and strips of one copy are disjoint in x.
        for (std::uint32_t x = baseStrip.begin; x < baseStrip.end; ++x) {
            for (std::uint32_t y = 0; y < by; ++y) {
                const Voxel *from = baseCells + base.index(x, y, 0);
                std::copy(from, from + baseLayers, out + glued->index(x, y, 0));
            }
        }
        const SlabSplit::Slab topStrip = topStrips[i];
        for (std::uint32_t x = topStrip.begin; x < topStrip.end; ++x) {
            const std::uint32_t rx = options.displacementX + (options.invertTop ? tx - 1 - x : x);
            for (std::uint32_t y = 0; y < ty; ++y) {
                const Voxel *from = topCells + top.index(x, y, 0);
                Voxel *column = out + glued->index(rx, options.displacementY + y, 0);
                for (std::uint32_t z = layout.topLowest; z < layout.topHighest; ++z) {
                    const std::uint32_t rz = options.invertTop ? layout.baseTop + layout.topHighest - 1 - z
                                                               : layout.baseTop + z - layout.topLowest;
                    column[rz] = from[z];
                }
            }
        }
    };
    SlabSplit::run(baseStrips, copyStrips);
    qCDebug(lcOperation) << "Glue Volumes:" << fx << fy << fz << "cells, Elapsed time" << clock.elapsed() << "ms";
    return glued;
}

std::shared_ptr<TotalVolume> GlueSubstrate::glue(TotalVolume &base, TotalVolume &top, const GlueOptions &options,
                                                 QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::shared_ptr<TotalVolume>();
    };
    if (&base == &top)
        return fail(QStringLiteral(": the base and the top must be two different cell volumes."));
    const GlueLayout layout = measure(base, top);
    const QString why = refusal(layout, top, options);
    if (!why.isEmpty())
        return fail(why);
    try {
        return build(base, top, layout, options);
    } catch (const std::bad_alloc &) {
        return fail(memoryRefusal(options));
    }
}

std::shared_ptr<TotalVolume> GlueSubstrate::glue(TotalVolume &base, TotalVolume &top, bool invertTop, QString *error)
{
    if (&base == &top)
        return glue(base, top, GlueOptions(), error);
    return glue(base, top, GlueOptions::minimal(measure(base, top), invertTop), error);
}

} // namespace Operations
} // namespace Core

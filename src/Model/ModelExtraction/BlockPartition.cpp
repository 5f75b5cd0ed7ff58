#include "BlockPartition.h"

#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"
#include "RectangularCuboidEnvelope.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

#include <limits>
#include <new>
#include <stdexcept>

namespace Model {
namespace ModelExtraction {

using Automaton::SlabSplit;
using Automaton::Voxel;

namespace {

struct PlaneFlags
{
    std::vector<std::uint8_t> x;
    std::vector<std::uint8_t> y;
    std::vector<std::uint8_t> z;
};

// Marks the planes after every cell of [xBegin, xEnd) whose material differs
// from the next cell along an axis. Only cells below the last index of every
// axis take part.
void markSlab(const Voxel *cells, std::uint32_t ny, std::uint32_t nz, std::uint32_t xBegin, std::uint32_t xEnd,
              PlaneFlags &flags)
{
    const std::size_t strideX = std::size_t(ny) * nz;
    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = 0; y + 1 < ny; ++y) {
            const std::size_t row = (std::size_t(x) * ny + y) * nz;
            for (std::uint32_t z = 0; z + 1 < nz; ++z) {
                const std::size_t i = row + z;
                const std::uint32_t m = cells[i].material;
                if (m != cells[i + 1].material)
                    flags.z[z + 1] = 1;
                if (m != cells[i + nz].material)
                    flags.y[y + 1] = 1;
                if (m != cells[i + strideX].material)
                    flags.x[x + 1] = 1;
            }
        }
    }
}

std::vector<std::uint32_t> positionsOf(const std::vector<std::uint8_t> &flags)
{
    std::vector<std::uint32_t> positions;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (flags[i])
            positions.push_back(std::uint32_t(i));
    }
    return positions;
}

// The block boundaries along one axis: 0, the planes, then the size.
std::vector<std::uint32_t> boundaries(const std::vector<std::uint32_t> &planes, std::uint32_t size)
{
    std::vector<std::uint32_t> result;
    result.reserve(planes.size() + 2);
    result.push_back(0);
    for (std::uint32_t p : planes) {
        if (p > result.back() && p < size)
            result.push_back(p);
    }
    result.push_back(size);
    return result;
}

} // namespace

BlockPartition::SplitPlanes BlockPartition::findSplitPlanes(const Voxel *cells, std::uint32_t nx, std::uint32_t ny,
                                                            std::uint32_t nz, int slabCount)
{
    SplitPlanes planes;
    if (nx < 2 || ny < 2 || nz < 2)
        return planes;
    const int threads = slabCount > 0 ? slabCount : SlabSplit::poolThreadCount();
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, nx - 1, threads);
    if (slabs.empty())
        slabs.push_back({0, nx - 1});

    std::vector<PlaneFlags> perSlab(slabs.size());
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        PlaneFlags &flags = perSlab[i];
        flags.x.assign(std::size_t(nx) + 1, 0);
        flags.y.assign(std::size_t(ny) + 1, 0);
        flags.z.assign(std::size_t(nz) + 1, 0);
        markSlab(cells, ny, nz, slab.begin, slab.end, flags);
    });

    PlaneFlags joined = std::move(perSlab.front());
    for (std::size_t i = 1; i < perSlab.size(); ++i) {
        for (std::size_t k = 0; k < joined.x.size(); ++k)
            joined.x[k] |= perSlab[i].x[k];
        for (std::size_t k = 0; k < joined.y.size(); ++k)
            joined.y[k] |= perSlab[i].y[k];
        for (std::size_t k = 0; k < joined.z.size(); ++k)
            joined.z[k] |= perSlab[i].z[k];
    }
    planes.x = positionsOf(joined.x);
    planes.y = positionsOf(joined.y);
    planes.z = positionsOf(joined.z);
    return planes;
}

ExtractedModel::EnvelopeList BlockPartition::partition(const Voxel *cells, std::uint32_t nx, std::uint32_t ny,
                                                       std::uint32_t nz, const SplitPlanes &planes)
{
    ExtractedModel::EnvelopeList envelopes;
    if (nx == 0 || ny == 0 || nz == 0)
        return envelopes;

    const std::vector<std::uint32_t> bx = boundaries(planes.x, nx);
    const std::vector<std::uint32_t> by = boundaries(planes.y, ny);
    const std::vector<std::uint32_t> bz = boundaries(planes.z, nz);
    const std::size_t gx = bx.size() - 1;
    const std::size_t gy = by.size() - 1;
    const std::size_t gz = bz.size() - 1;
    const std::size_t gridCount = gx * gy * gz;
    constexpr std::uint32_t none = std::numeric_limits<std::uint32_t>::max();
    if (gridCount >= none)
        throw std::length_error("too many blocks for one model");

    // Breadth-first over grid cells from the origin. The queue ends up holding
    // every grid cell once, in the order they were first reached.
    std::vector<std::uint32_t> queue;
    queue.reserve(gridCount);
    std::vector<bool> queued(gridCount, false);
    std::vector<std::uint32_t> blockOfGrid(gridCount, none);
    queue.push_back(0);
    queued[0] = true;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::size_t g = queue[head];
        const std::size_t i = g / (gy * gz);
        const std::size_t j = (g / gz) % gy;
        const std::size_t k = g % gz;
        const std::size_t next[3] = {i + 1 < gx ? g + gy * gz : gridCount, j + 1 < gy ? g + gz : gridCount,
                                     k + 1 < gz ? g + 1 : gridCount};
        for (std::size_t n : next) {
            if (n < gridCount && !queued[n]) {
                queued[n] = true;
                queue.push_back(std::uint32_t(n));
            }
        }
        const std::uint32_t x0 = bx[i], y0 = by[j], z0 = bz[k];
        const std::uint32_t material = cells[(std::size_t(x0) * ny + y0) * nz + z0].material;
        if (material == 0)
            continue;
        blockOfGrid[g] = std::uint32_t(envelopes.size());
        envelopes.push_back(std::make_shared<RectangularCuboidEnvelope>(
            x0, y0, z0, bx[i + 1] - x0, by[j + 1] - y0, bz[k + 1] - z0, material));
    }
    queue = {};
    queued = {};

    // Each grid neighbour pair once: towards +x, +y and +z.
    using Face = RectangularCuboidEnvelope::Face;
    const auto link = [&](std::uint32_t a, std::size_t neighbourGrid, Face face) {
        const std::uint32_t b = blockOfGrid[neighbourGrid];
        if (b == none)
            return;
        envelopes[a]->setNeighbour(face, envelopes[b].get());
        envelopes[b]->setNeighbour(RectangularCuboidEnvelope::oppositeFace(face), envelopes[a].get());
    };
    for (std::size_t i = 0; i < gx; ++i) {
        for (std::size_t j = 0; j < gy; ++j) {
            for (std::size_t k = 0; k < gz; ++k) {
                const std::size_t g = (i * gy + j) * gz + k;
                const std::uint32_t a = blockOfGrid[g];
                if (a == none)
                    continue;
                if (i + 1 < gx)
                    link(a, g + gy * gz, Face::HighX);
                if (j + 1 < gy)
                    link(a, g + gz, Face::HighY);
                if (k + 1 < gz)
                    link(a, g + 1, Face::HighZ);
            }
        }
    }
    return envelopes;
}

ExtractedModel::EnvelopeList BlockPartition::run(Automaton::TotalVolume &volume, int slabCount, QString *error)
{
    QElapsedTimer timer;
    timer.start();
    const std::uint32_t nx = volume.getSizeX(), ny = volume.getSizeY(), nz = volume.getSizeZ();
    ExtractedModel::EnvelopeList envelopes;
    QString reason;
    try {
        const Automaton::TotalVolume::CellsLock lock(volume, Automaton::TotalVolume::CellsLock::Read);
        const SplitPlanes planes = findSplitPlanes(lock.cells(), nx, ny, nz, slabCount);
        envelopes = partition(lock.cells(), nx, ny, nz, planes);
    } catch (const std::length_error &) {
        reason = QStringLiteral("the volume splits into too many blocks to model.");
    } catch (const std::bad_alloc &) {
        reason = QStringLiteral("not enough memory for the blocks of this volume.");
    }
    if (!reason.isEmpty()) {
        envelopes.clear();
        qCDebug(lcProcess) << "Model extraction refused:" << reason;
    }
    if (error)
        *error = reason;
    qCDebug(lcProcess) << "Model extraction:" << envelopes.size() << "blocks; Elapsed time" << timer.elapsed()
                       << "ms";
    return envelopes;
}

} // namespace ModelExtraction
} // namespace Model

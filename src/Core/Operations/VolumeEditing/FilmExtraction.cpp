#include "Core/Operations/VolumeEditing/FilmExtraction.h"

#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"
#include "Util/BitVector.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

#include <algorithm>
#include <deque>
#include <limits>
#include <new>
#include <vector>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

std::vector<SlabSplit::Slab> slabsOf(std::uint32_t nx, int threadCount)
{
    auto slabs = SlabSplit::split(0, nx, threadCount > 0 ? threadCount : SlabSplit::poolThreadCount());
    if (slabs.empty())
        slabs.push_back(SlabSplit::Slab{0, nx});
    return slabs;
}

// The first cell of `material` in cell order, or `none`; each slab finds its
// own first and the earliest slab with one wins.
std::size_t firstCellOf(const Voxel *cells, const TotalVolume &volume, std::uint32_t material,
                        const std::vector<SlabSplit::Slab> &slabs)
{
    std::vector<std::size_t> firsts(slabs.size(), none);
    SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
        const Voxel *begin = cells + volume.index(slab.begin, 0, 0);
        const Voxel *end = cells + volume.index(slab.end, 0, 0);
        const Voxel *found = std::find_if(begin, end, [material](const Voxel &v) { return v.material == material; });
        if (found != end)
            firsts[i] = std::size_t(found - cells);
    });
    for (std::size_t first : firsts) {
        if (first != none)
            return first;
    }
    return none;
}

// Marks the 6-connected cells of `material` reached from `seed`; returns the
// lowest and highest z they take in the result.
void floodFill(const Voxel *cells, const TotalVolume &volume, std::uint32_t material, std::size_t seed, bool invert,
               Util::BitVector &piece, std::uint32_t &lowest, std::uint32_t &highest)
{
    const std::uint32_t ny = volume.getSizeY(), nz = volume.getSizeZ();
    const std::size_t stepY = nz, stepX = std::size_t(ny) * nz;
    const std::size_t count = volume.getCellCount();
    lowest = nz;
    highest = 0;
    std::deque<std::size_t> queue;
    piece.set(seed);
    queue.push_back(seed);
    auto visit = [&](std::size_t next) {
        if (!piece.test(next) && cells[next].material == material) {
            piece.set(next);
            queue.push_back(next);
        }
    };
    while (!queue.empty()) {
        const std::size_t i = queue.front();
        queue.pop_front();
        const std::uint32_t z = std::uint32_t(i % nz);
        const std::uint32_t y = std::uint32_t((i / nz) % ny);
        const std::uint32_t rz = invert ? nz - 1 - z : z;
        lowest = std::min(lowest, rz);
        highest = std::max(highest, rz);
        if (z > 0)
            visit(i - 1);
        if (z + 1 < nz)
            visit(i + 1);
        if (y > 0)
            visit(i - stepY);
        if (y + 1 < ny)
            visit(i + stepY);
        if (i >= stepX)
            visit(i - stepX);
        if (i + stepX < count)
            visit(i + stepX);
    }
}

} // namespace

std::shared_ptr<TotalVolume> FilmExtraction::extract(TotalVolume &source, std::uint32_t material, bool invert,
                                                     int threadCount)
{
    QElapsedTimer clock;
    clock.start();
    const std::uint32_t nx = source.getSizeX(), ny = source.getSizeY(), nz = source.getSizeZ();
    auto film = std::make_shared<TotalVolume>(nx, ny, nz, source.getCellSizeX(), source.getCellSizeY(),
                                              source.getCellSizeZ(), source.getPosition(), TotalVolume::Cells::Unset);
    const auto slabs = slabsOf(nx, threadCount);
    {
        const TotalVolume::CellsLock filmLock(*film, TotalVolume::CellsLock::Write);
        const TotalVolume::CellsLock sourceLock(source, TotalVolume::CellsLock::Read);
        Voxel *out = filmLock.writableCells();
        const Voxel *cells = sourceLock.cells();
        // Material 0 is the empty cell, never a film.
        const std::size_t seed = material == 0 ? none : firstCellOf(cells, source, material, slabs);
        // One bit per cell while the fill runs, released with it.
        Util::BitVector piece(seed == none ? 0 : source.getCellCount());
        std::uint32_t lowest = 0, highest = 0;
        if (seed != none)
            floodFill(cells, source, material, seed, invert, piece, lowest, highest);
        // Each slab writes the result columns of its own x range: cleared,
        // then the piece moved down onto z = 0.
        SlabSplit::run(slabs, [&](std::size_t, SlabSplit::Slab slab) {
            std::fill(out + film->index(slab.begin, 0, 0), out + film->index(slab.end, 0, 0), Voxel(0));
            if (seed == none)
                return;
            for (std::uint32_t x = slab.begin; x < slab.end; ++x) {
                for (std::uint32_t y = 0; y < ny; ++y) {
                    const std::uint32_t ry = invert ? ny - 1 - y : y;
                    for (std::uint32_t z = 0; z < nz; ++z) {
                        if (!piece.test(source.index(x, y, z)))
                            continue;
                        const std::uint32_t rz = (invert ? nz - 1 - z : z) - lowest;
                        out[film->index(x, ry, rz)].material = material;
                    }
                }
            }
        });
        qCDebug(lcOperation) << "Extract Film: piece in z" << lowest << highest << "Elapsed time" << clock.elapsed()
                             << "ms";
    }
    return film;
}

Util::Vector3D FilmExtraction::besideSource(const TotalVolume &source)
{
    const double largest = std::max({source.getCellSizeX(), source.getCellSizeY(), source.getCellSizeZ()});
    return Util::Vector3D((double(source.getSizeX()) + 10.0) * largest, 0.0, 0.0);
}

std::shared_ptr<TotalVolume> FilmExtraction::extractBeside(TotalVolume &source, std::uint32_t material, bool invert)
{
    try {
        auto film = extract(source, material, invert);
        film->translate(besideSource(source));
        return film;
    } catch (const std::bad_alloc &) {
        return {};
    }
}

} // namespace Operations
} // namespace Core

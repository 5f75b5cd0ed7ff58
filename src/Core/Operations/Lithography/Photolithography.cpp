#include "Core/Operations/Lithography/Photolithography.h"

#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;

Photolithography::Photolithography(Model::Automaton::TotalVolume *v, std::uint32_t filmId,
                                   const LithographyMask &bottomMask, const LithographyMask &topMask)
    : volume(v)
    , film(filmId)
    , nx(v->getSizeX())
    , ny(v->getSizeY())
    , nz(v->getSizeZ())
    , requestedStripCount(unsigned(SlabSplit::poolThreadCount()))
{
    bottomMasked = maskedColumns(bottomMask);
    topMasked = maskedColumns(topMask);
}

Util::BitVector Photolithography::maskedColumns(const LithographyMask &mask) const
{
    Util::BitVector masked(std::size_t(nx) * ny);
    if (!mask.isConsistent() || nx == 0)
        return masked;
    // An absent mask exposes the whole side of a positive resist and none of
    // a negative one: outside the mask the side is open, then inverted.
    const bool invert = film == negativeResistId;
    if (invert)
        masked.fill(true);
    const std::uint32_t iEnd = std::min(mask.width, nx);
    const std::uint32_t jEnd = std::min(mask.height, ny);
    for (std::uint32_t x = 0; x < iEnd; ++x) {
        for (std::uint32_t y = 0; y < jEnd; ++y)
            masked.set(std::size_t(x) * ny + y, mask.isOpaque(x, y) != invert);
    }
    return masked;
}

void Photolithography::developStrip(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const
{
    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::size_t column = std::size_t(x) * ny + y;
            const bool litFromBelow = !bottomMasked.test(column);
            const bool litFromAbove = !topMasked.test(column);
            if (!litFromBelow && !litFromAbove)
                continue;
            Model::Automaton::Voxel *c = cells + column * nz;
            // The column's front: find each run [begin, end) of film; light
            // enters at an end that touches an empty cell inside the volume on
            // a lit side and walks the run to its far end.
            std::uint32_t z = 0;
            while (z < nz) {
                if (c[z].material != film) {
                    ++z;
                    continue;
                }
                const std::uint32_t begin = z;
                while (z < nz && c[z].material == film)
                    ++z;
                const std::uint32_t end = z;
                const bool entersBelow = litFromBelow && begin > 0 && c[begin - 1].material == 0;
                const bool entersAbove = litFromAbove && end < nz && c[end].material == 0;
                if (entersBelow || entersAbove) {
                    for (std::uint32_t k = begin; k < end; ++k)
                        c[k].material = 0;
                }
            }
        }
    }
}

void Photolithography::run()
{
    QElapsedTimer clock;
    clock.start();
    const int threads = requestedStripCount ? int(requestedStripCount) : SlabSplit::poolThreadCount();
    std::vector<SlabSplit::Slab> strips = SlabSplit::split(0, nx, threads);
    // Strips narrower than two columns are not worth a task.
    if (strips.empty() || strips.front().end - strips.front().begin < 2)
        strips.assign(1, SlabSplit::Slab{0, nx});
    stripsUsed = unsigned(strips.size());

    {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
        Model::Automaton::Voxel *cells = lock.writableCells();
        if (strips.size() == 1)
            developStrip(cells, 0, nx);
        else
            SlabSplit::run(strips, [&](std::size_t, SlabSplit::Slab strip) { developStrip(cells, strip.begin, strip.end); });
    }
    qCDebug(lcProcess) << "Photolithography:" << stripsUsed << "strips, elapsed time" << clock.elapsed() << "ms";
}

} // namespace Operations
} // namespace Core

#include "TotalVolume.h"

#include "SiLattice.h"
#include "Util/Logging.h"

#include <limits>
#include <new>

#include <unistd.h>

namespace Model {
namespace Automaton {

namespace {

// Counts the cells and refuses sizes whose two arrays cannot fit: a byte count
// that overflows, or more than the machine's physical memory (which the
// kernel might grant lazily and then kill the program for touching).
std::size_t checkedCellCount(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    // Doubles hold the products of three 32-bit counts closely enough to
    // compare against the memory size; the exact count is taken only once
    // it is known to fit.
    const double count = double(nx) * double(ny) * double(nz);
    const double bytes = count * double(sizeof(Voxel)) * 2.0;
    if (bytes >= double(std::numeric_limits<std::size_t>::max()) / 2.0)
        throw std::bad_alloc();
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0 && bytes > double(pages) * double(pageSize))
        throw std::bad_alloc();
    return static_cast<std::size_t>(nx) * ny * nz;
}

} // namespace

TotalVolume::TotalVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                         float csx, float csy, float csz,
                         const Util::Vector3D &pos,
                         const std::vector<std::uint32_t> &materials)
    : sizeX(nx), sizeY(ny), sizeZ(nz)
    , cellCount(checkedCellCount(nx, ny, nz))
    , cellSizeX(csx), cellSizeY(csy), cellSizeZ(csz)
    , position(pos)
{
    cells.reset(new Voxel[cellCount]);
    nextCells.reset(new Voxel[cellCount]);
    const std::size_t given = std::min(cellCount, materials.size());
    for (std::size_t i = 0; i < given; ++i) {
        cells[i].material = materials[i];
        nextCells[i].material = materials[i];
    }
    painter = std::make_unique<TotalVolumePainter>(this);
}

TotalVolume::~TotalVolume() = default;

void TotalVolume::draw(bool drawObject, bool drawOutlines)
{
    painter->draw(drawObject, drawOutlines);
}

void TotalVolume::drawPickBox()
{
    painter->drawPickBox();
}

Object *TotalVolume::clone()
{
    return new TotalVolume(sizeX, sizeY, sizeZ, cellSizeX, cellSizeY, cellSizeZ, position, materialIds());
}

void TotalVolume::translate(Util::Vector3D delta)
{
    position += delta;
}

Voxel *TotalVolume::lockCells()
{
    cellsLock.lock();
    return cells.get();
}

void TotalVolume::unlockCells()
{
    cellsLock.unlock();
}

Voxel *TotalVolume::lockNextCells()
{
    nextCellsLock.lock();
    return nextCells.get();
}

void TotalVolume::unlockNextCells()
{
    nextCellsLock.unlock();
}

void TotalVolume::swapCellArrays()
{
    cells.swap(nextCells);
}

void TotalVolume::rebuildSiLattice()
{
    siLattice.reset(); // the old lattice goes first, so the two never coexist
    auto lattice = std::make_shared<SiLattice>(this);
    lattice->initialize();
    siLattice = std::move(lattice);
    qCDebug(lcProcess) << "Done initializing";
}

void TotalVolume::setMaskA(const Util::BitVector &bits, std::uint32_t width, std::uint32_t height)
{
    maskA = bits;
    maskAWidth = width;
    maskAHeight = height;
}

void TotalVolume::setMaskB(const Util::BitVector &bits, std::uint32_t width, std::uint32_t height)
{
    maskB = bits;
    maskBWidth = width;
    maskBHeight = height;
}

void TotalVolume::getMaskADimensions(std::uint32_t &width, std::uint32_t &height) const
{
    width = maskAWidth;
    height = maskAHeight;
}

void TotalVolume::getMaskBDimensions(std::uint32_t &width, std::uint32_t &height) const
{
    width = maskBWidth;
    height = maskBHeight;
}

std::vector<std::uint32_t> TotalVolume::materialIds()
{
    std::vector<std::uint32_t> ids(cellCount);
    const Voxel *current = lockCells();
    for (std::size_t i = 0; i < cellCount; ++i)
        ids[i] = current[i].material;
    unlockCells();
    return ids;
}

} // namespace Automaton
} // namespace Model

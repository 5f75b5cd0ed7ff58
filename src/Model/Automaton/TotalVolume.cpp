#include "TotalVolume.h"

#include "MemoryBudget.h"
#include "SiLattice.h"
#include "Util/Logging.h"

#include <algorithm>
#include <stdexcept>

namespace Model {
namespace Automaton {

namespace {

// Counts the cells after the memory guard let them through.
std::size_t checkedCellCount(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    MemoryBudget::check(nx, ny, nz);
    return static_cast<std::size_t>(nx) * ny * nz;
}

} // namespace

TotalVolume::TotalVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                         float csx, float csy, float csz,
                         const Util::Vector3D &pos,
                         const std::vector<std::uint32_t> &materials)
    : TotalVolume(nx, ny, nz, csx, csy, csz, pos, Cells::Unset)
{
    const std::size_t given = std::min(cellCount, materials.size());
    Voxel *out = cells.get();
    for (std::size_t i = 0; i < given; ++i)
        out[i].material = materials[i];
    std::fill(out + given, out + cellCount, Voxel(0));
}

TotalVolume::TotalVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                         float csx, float csy, float csz,
                         const Util::Vector3D &pos, Cells start)
    : sizeX(nx), sizeY(ny), sizeZ(nz)
    , cellCount(checkedCellCount(nx, ny, nz))
    , cellSizeX(csx), cellSizeY(csy), cellSizeZ(csz)
    , position(pos)
{
    // Whoever builds a volume writes all its cells soon (a reader, a
    // creator, a copy), so they are faulted in at once.
    using Start = Util::LargeArray<Voxel>::Start;
    cells = Util::LargeArray<Voxel>(cellCount, start == Cells::Empty ? Start::Zeroed : Start::WrittenWhole);
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
    auto *copy = new TotalVolume(sizeX, sizeY, sizeZ, cellSizeX, cellSizeY, cellSizeZ, position, Cells::Unset);
    const CellsLock lock(*this, CellsLock::Read);
    std::copy(lock.cells(), lock.cells() + cellCount, copy->cells.get());
    return copy;
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

TotalVolume::CellsLock::CellsLock(TotalVolume &v, Mode m)
    : volume(&v)
    , array(v.lockCells())
    , mode(m)
{
    if (mode == Write)
        ++v.writeLocks;
}

Voxel *TotalVolume::CellsLock::writableCells() const
{
    if (mode != Write)
        throw std::logic_error("a read lock of the cells gives no cells to write");
    return array;
}

void TotalVolume::CellsLock::unlock()
{
    if (!volume)
        return;
    volume->unlockCells();
    volume = nullptr;
    array = nullptr;
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
    const CellsLock lock(*this, CellsLock::Read);
    const Voxel *current = lock.cells();
    for (std::size_t i = 0; i < cellCount; ++i)
        ids[i] = current[i].material;
    return ids;
}

} // namespace Automaton
} // namespace Model

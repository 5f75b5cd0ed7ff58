#include "TotalVolume.h"

#include "MemoryBudget.h"

#include <algorithm>

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
    // new Voxel[n] leaves the ids unset; new Voxel[n]() sets them to 0.
    cells.reset(start == Cells::Empty ? new Voxel[cellCount]() : new Voxel[cellCount]);
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
    const Voxel *source = lockCells();
    std::copy(source, source + cellCount, copy->cells.get());
    unlockCells();
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

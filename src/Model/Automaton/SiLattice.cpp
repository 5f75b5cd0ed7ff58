#include "SiLattice.h"

#include "SlabSplit.h"
#include "TotalVolume.h"
#include "Voxel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include <unistd.h>

namespace Model {
namespace Automaton {

namespace {

// Basis positions as fractions of the cell edge, in the unturned cubic frame.
constexpr double basisX[8] = {0.0, 0.5, 0.25, 0.75, 0.5, 0.0, 0.75, 0.25};
constexpr double basisY[8] = {0.0, 0.5, 0.25, 0.75, 0.0, 0.5, 0.25, 0.75};
constexpr double basisZ[8] = {0.0, 0.0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75};

// Throws when the storage could not fit in the machine's memory, so a huge
// volume is refused up front instead of being killed half-way.
void checkMemory(double bytes)
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0 && bytes > double(pages) * double(pageSize))
        throw std::bad_alloc();
}

} // namespace

SiLattice::SiLattice(TotalVolume *v)
    : volume(v)
    , sizeX(v->getSizeX())
    , sizeY(v->getSizeY())
    , sizeZ(v->getSizeZ())
    , cellSizeX(v->getCellSizeX())
    , cellSizeY(v->getCellSizeY())
    , cellSizeZ(v->getCellSizeZ())
    , unitLength(unitLengthOf(*v))
    , volumePosition(v->getPosition())
{
    if (!(unitLength > 0.0) || !std::isfinite(unitLength))
        throw std::bad_alloc();
    // Exactly 1 along the smallest axis, and along every axis of cubic cells.
    cellUnitsX = double(cellSizeX) / unitLength;
    cellUnitsY = double(cellSizeY) / unitLength;
    cellUnitsZ = double(cellSizeZ) / unitLength;
    // The footprint in lattice units; with cubic cells these are the cell counts.
    const double lengthX = double(sizeX) * cellUnitsX;
    const double lengthY = double(sizeY) * cellUnitsY;
    const double lengthZ = double(sizeZ) * cellUnitsZ;
    const double side = std::ceil((lengthX + lengthY) / std::sqrt(2.0));
    const double height = std::ceil(lengthZ);
    const double slotTotal = side * side * height * 8.0;
    if (!(slotTotal < double(noAtom)) || !(lengthX > 0.0 && lengthY > 0.0 && lengthZ > 0.0))
        throw std::bad_alloc();
    cellsI = cellsJ = std::uint32_t(side);
    cellsK = std::uint32_t(height);
    slotCount = std::size_t(slotTotal);
    cellCount = v->getCellCount();
    // Bytes per atom slot, plus per cell a counter, a list start and about
    // eight listed atoms.
    checkMemory(double(slotCount) + double(cellCount) * 40.0);

    // The turn by 45 degrees, converted with the single-precision factor.
    const float degree = float(M_PI / 2.0) / 90.0f;
    const double angle = 45.0 * double(degree);
    cosTurn = std::cos(angle);
    sinTurn = std::sin(angle);
    // The corner cell sits so that the turned square's edges pass through
    // the four corners of the footprint.
    origin = Util::Vector3D(lengthX / 2.0, -lengthX / 2.0, 0.0);

    const double h = std::sqrt(2.0) / 2.0;
    unitCellCorners = {Util::Vector3D(0, 0, 0),      Util::Vector3D(0, 0, 1),      Util::Vector3D(-h, h, 0),
                       Util::Vector3D(-h, h, 1),     Util::Vector3D(h, h, 0),      Util::Vector3D(h, h, 1),
                       Util::Vector3D(0, 2 * h, 0), Util::Vector3D(0, 2 * h, 1)};
}

double SiLattice::unitLengthOf(const TotalVolume &v)
{
    return double(std::min({v.getCellSizeX(), v.getCellSizeY(), v.getCellSizeZ()}));
}

SiLattice::~SiLattice() = default;

bool SiLattice::matches(const TotalVolume &v) const
{
    return v.getSizeX() == sizeX && v.getSizeY() == sizeY && v.getSizeZ() == sizeZ
           && v.getCellSizeX() == cellSizeX && v.getCellSizeY() == cellSizeY && v.getCellSizeZ() == cellSizeZ
           && v.getPosition().x == volumePosition.x && v.getPosition().y == volumePosition.y
           && v.getPosition().z == volumePosition.z;
}

std::size_t SiLattice::memoryBytes() const
{
    return slotCount + cellCount * sizeof(std::uint32_t) * 2 + siliconAtoms * sizeof(AtomId)
           + boundaryAtoms.capacity() * sizeof(BoundaryAtom);
}

Util::Vector3D SiLattice::bondVector(int sub, int slot)
{
    const double s = std::sqrt(2.0) / 4.0;
    static const Util::Vector3D a[4] = {{s, 0, -0.25}, {-s, 0, -0.25}, {0, -s, 0.25}, {0, s, 0.25}};
    static const Util::Vector3D b[4] = {{0, -s, -0.25}, {0, s, -0.25}, {s, 0, 0.25}, {-s, 0, 0.25}};
    return sub == 0 ? a[slot] : b[slot];
}

Util::Vector3D SiLattice::position(std::uint32_t i, std::uint32_t j, std::uint32_t k, int basis) const
{
    const double u = double(i) + basisX[basis];
    const double v = double(j) + basisY[basis];
    return Util::Vector3D(u * cosTurn - v * sinTurn + origin.x, u * sinTurn + v * cosTurn + origin.y,
                          (double(k) + basisZ[basis]) + origin.z);
}

Util::Vector3D SiLattice::position(AtomId atom) const
{
    return position(site(atom));
}

Util::Vector3D SiLattice::scenePosition(AtomId atom) const
{
    const Util::Vector3D p = position(atom);
    return Util::Vector3D(volumePosition.x + p.x * unitLength, volumePosition.y + p.y * unitLength,
                          volumePosition.z + p.z * unitLength);
}

std::int64_t SiLattice::cellIndexAt(const Util::Vector3D &p) const
{
    // Divide in double, then round to single precision, as the build does.
    const float fx = float(p.x / cellUnitsX);
    const float fy = float(p.y / cellUnitsY);
    const float fz = float(p.z / cellUnitsZ);
    if (!(fx >= 0.0f && fy >= 0.0f && fz >= 0.0f) || fx >= float(sizeX) || fy >= float(sizeY) || fz >= float(sizeZ))
        return -1;
    return (std::int64_t(fx) * sizeY + std::int64_t(fy)) * sizeZ + std::int64_t(fz);
}

std::int64_t SiLattice::cellColumnAt(double x) const
{
    return std::int64_t(std::floor(float(x / cellUnitsX)));
}

SiLattice::AtomId SiLattice::neighbour(AtomId atom, int slot) const
{
    return inLattice(atom) ? neighbour(site(atom), slot) : noAtom;
}

int SiLattice::presentNeighbourCount(const Site &s) const
{
    const std::uint8_t own = bits(atomId(s));
    if ((own & stateMask) == Fixed)
        return 4;
    int present = 0;
    for (int slot = 0; slot < 4; ++slot) {
        if (own & (boundaryBit0 << slot)) {
            ++present;
            continue;
        }
        const AtomId n = neighbour(s, slot);
        present += n != noAtom && state(n) != Absent;
    }
    return present;
}

int SiLattice::presentNeighbourCount(AtomId atom) const
{
    return presentNeighbourCount(site(atom));
}

int SiLattice::secondNeighbourCount(AtomId atom) const
{
    return secondNeighbourCount(site(atom));
}

int SiLattice::secondNeighbourCount(const Site &s) const
{
    const AtomId atom = atomId(s);
    int sum = 0;
    for (int slot = 0; slot < 4; ++slot) {
        if (hasBoundaryAtom(atom, slot)) {
            sum += 3;
            continue;
        }
        Site to;
        if (!step(s, slot, to))
            continue;
        const AtomId n = atomId(to);
        if (!inLattice(n))
            continue;
        const State st = state(n);
        if (st == Fixed)
            sum += 3;
        else if (st == Silicon)
            sum += presentNeighbourCount(to) - 1;
    }
    return sum;
}

bool SiLattice::hasOpenBond(AtomId atom) const
{
    const Site s = site(atom);
    for (int slot = 0; slot < 4; ++slot) {
        if (hasBoundaryAtom(atom, slot))
            continue;
        const AtomId n = neighbour(s, slot);
        if (n == noAtom || state(n) == Absent)
            return true;
    }
    return false;
}

void SiLattice::clearBoundaryAtoms()
{
    for (const BoundaryAtom &b : boundaryAtoms)
        atoms[b.atom].store(std::uint8_t(bits(b.atom) & ~(boundaryBit0 << b.slot)), std::memory_order_relaxed);
    boundaryAtoms.clear();
    boundaryAtoms.shrink_to_fit();
}

std::size_t SiLattice::classifyColumns(std::uint32_t iBegin, std::uint32_t iEnd, const Voxel *cells, bool fill)
{
    std::size_t kept = 0;
    for (std::uint32_t i = iBegin; i < iEnd; ++i) {
        for (std::uint32_t j = 0; j < cellsJ; ++j) {
            // x and y do not change along k: find each basis atom's cell column once.
            std::int64_t column[8];
            bool inside = false;
            for (int m = 0; m < 8; ++m) {
                const Util::Vector3D p = position(i, j, 0, m);
                const float fx = float(p.x / cellUnitsX);
                const float fy = float(p.y / cellUnitsY);
                const bool in = fx >= 0.0f && fy >= 0.0f && fx < float(sizeX) && fy < float(sizeY);
                column[m] = in ? (std::int64_t(fx) * sizeY + std::int64_t(fy)) * sizeZ : -1;
                inside = inside || in;
            }
            if (!inside)
                continue;
            for (std::uint32_t k = 0; k < cellsK; ++k) {
                std::int64_t cell[8];
                std::uint8_t st[8];
                bool silicon = false;
                for (int m = 0; m < 8; ++m) {
                    cell[m] = -1;
                    st[m] = Fixed;
                    if (column[m] < 0)
                        continue;
                    const double z = (double(k) + basisZ[m]) + origin.z;
                    const float fz = float(z / cellUnitsZ);
                    if (!(fz >= 0.0f) || fz >= float(sizeZ))
                        continue;
                    cell[m] = column[m] + std::int64_t(fz);
                    const std::uint32_t material = cells[cell[m]].material;
                    st[m] = material == 1 ? Silicon : material == 0 ? Absent : Fixed;
                    silicon = silicon || material == 1;
                }
                if (!silicon)
                    continue;
                ++kept;
                const AtomId first = atomId(i, j, k, 0);
                for (int m = 0; m < 8; ++m) {
                    if (!fill)
                        atoms[first + m].store(std::uint8_t(st[m] | keptBit), std::memory_order_relaxed);
                    if (st[m] != Silicon)
                        continue;
                    const std::uint32_t n = counters[cell[m]].fetch_add(1, std::memory_order_relaxed);
                    if (fill)
                        cellAtoms[cellAtomStart[cell[m]] + n] = first + AtomId(m);
                }
            }
        }
    }
    return kept;
}

void SiLattice::initialize()
{
    atoms.reset(new std::atomic<std::uint8_t>[slotCount]());
    counters.reset(new std::atomic<std::uint32_t>[cellCount]());
    cellAtomStart.reset(new std::uint32_t[cellCount + 1]);
    cellAtoms.reset();
    boundaryAtoms.clear();

    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, cellsI, SlabSplit::poolThreadCount());
    if (slabs.empty())
        slabs.push_back(SlabSplit::Slab{0, cellsI});
    std::vector<std::size_t> kept(slabs.size(), 0);

    {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Read);
        const Voxel *cells = lock.cells();
        // Pass 1: states, held unit cells and the atom count of every volume cell.
        SlabSplit::run(slabs, [&](std::size_t index, SlabSplit::Slab slab) {
            kept[index] = classifyColumns(slab.begin, slab.end, cells, false);
        });
        keptCells = 0;
        for (std::size_t n : kept)
            keptCells += n;

        // Every silicon cell's counter is the number of atoms classified into
        // it; the same counts place each cell's atom list.
        std::uint64_t total = 0;
        for (std::size_t c = 0; c < cellCount; ++c) {
            cellAtomStart[c] = std::uint32_t(total);
            total += counters[c].load(std::memory_order_relaxed);
            if (total >= noAtom)
                throw std::bad_alloc();
        }
        cellAtomStart[cellCount] = std::uint32_t(total);
        siliconAtoms = std::size_t(total);
        cellAtoms.reset(new AtomId[siliconAtoms]);

        // Pass 2: list the atoms; the counters serve as cursors and end as the counts again.
        for (std::size_t c = 0; c < cellCount; ++c)
            counters[c].store(0, std::memory_order_relaxed);
        SlabSplit::run(slabs, [&](std::size_t, SlabSplit::Slab slab) { classifyColumns(slab.begin, slab.end, cells, true); });
    }

    // Slabs fill a cell's list in any order; sort so the lattice never
    // depends on thread timing.
    std::vector<SlabSplit::Slab> cellSlabs = SlabSplit::split(0, sizeX, SlabSplit::poolThreadCount());
    if (cellSlabs.empty())
        cellSlabs.push_back(SlabSplit::Slab{0, sizeX});
    const std::size_t columnCells = std::size_t(sizeY) * sizeZ;
    SlabSplit::run(cellSlabs, [&](std::size_t, SlabSplit::Slab slab) {
        for (std::size_t c = slab.begin * columnCells; c < slab.end * columnCells; ++c)
            std::sort(cellAtoms.get() + cellAtomStart[c], cellAtoms.get() + cellAtomStart[c + 1]);
    });
}

} // namespace Automaton
} // namespace Model

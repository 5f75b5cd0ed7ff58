#pragma once

#include "Util/Vector3D.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {

class TotalVolume;
struct Voxel;

// Single-crystal silicon beside a volume's cells: a diamond-cubic lattice of
// unit cells (eight basis atoms each, one lattice unit on edge) turned 45
// degrees about z, so the volume's x and y run along <110> and its top face is
// a (100) surface. The turned square of cellsI x cellsJ unit cells just covers
// the volume's footprint; cellsK layers cover its height.
//
// The lattice unit is the volume's smallest cell size, and the lattice lives
// in lattice units measured from the volume's corner: a volume of cubic cells
// of any size is one lattice unit per cell, so its atoms, bonds and counters
// are those of the same volume with cells of 1 um, and an etch gives the same
// cells. Other cells hold a whole number or more of lattice units along each
// axis, the crystal staying cubic in micrometres. position() is in lattice
// units; scenePosition() (times the unit, plus the volume's position) is
// where an atom is drawn.
//
// Storage is flat. Every candidate unit cell (i, j, k) has the key
// (cellsJ*i + j)*cellsK + k and its atoms the ids key*8 + basis index, so a
// bond is found by index arithmetic: slot s of basis atom m always leads to the
// same basis atom of the same neighbour cell. Each atom is one byte: its state,
// a mark for unit cells that hold silicon (only those are part of the lattice,
// the others are placeholders whose bonds stay open), one bit per bond slot
// that an etcher closed with a fixed boundary atom (the boundary atoms
// themselves are listed in a side table) and an etcher's front mark. Atom positions and the volume cell
// an atom lies in are computed from the id, never stored.
//
// Per volume cell the lattice keeps the number of present silicon atoms
// inside it (the etchers empty a cell when it reaches 0) and, built once, the
// ids of the atoms classified into each silicon cell.
class SiLattice
{
public:
    using AtomId = std::uint32_t;
    static constexpr AtomId noAtom = 0xFFFFFFFFu;

    enum State : std::uint8_t { Absent = 0, Silicon = 1, Fixed = 3 };

    // A fixed atom an etcher put where an atom's missing neighbour lies
    // outside the volume or in a cell of another material: it closes `slot`.
    struct BoundaryAtom
    {
        AtomId atom;
        std::uint8_t slot;
        bool operator<(const BoundaryAtom &o) const { return atom != o.atom ? atom < o.atom : slot < o.slot; }
    };

    // Sizes the lattice from the volume. Throws std::bad_alloc when the atom
    // ids would not fit in 32 bits or the storage not in memory.
    explicit SiLattice(TotalVolume *volume);
    ~SiLattice();

    SiLattice(const SiLattice &) = delete;
    SiLattice &operator=(const SiLattice &) = delete;

    // Classifies every atom against the volume's cells (under the cell lock),
    // keeps the unit cells that hold silicon, and sets every silicon cell's
    // counter to the number of atoms classified into it.
    void initialize();

    // True while the volume still has the sizes and position it was built for.
    bool matches(const TotalVolume &volume) const;

    // The edge of one unit cell in micrometres: the smallest of the volume's
    // cell sizes.
    static double unitLengthOf(const TotalVolume &volume);
    double getUnitLength() const { return unitLength; }
    // The volume's cell sizes in lattice units (1 along the smallest).
    Util::Vector3D getCellUnits() const { return Util::Vector3D(cellUnitsX, cellUnitsY, cellUnitsZ); }

    std::uint32_t getCellsI() const { return cellsI; }
    std::uint32_t getCellsJ() const { return cellsJ; }
    std::uint32_t getCellsK() const { return cellsK; }
    // The corner of unit cell (0, 0, 0), in lattice units from the volume's corner.
    Util::Vector3D getOrigin() const { return origin; }
    // Corners of one turned unit cell relative to its corner, in lattice
    // units, for drawing outlines.
    const std::vector<Util::Vector3D> &getUnitCellCorners() const { return unitCellCorners; }
    // Unit cells that hold silicon; atom slots in all (candidate) cells.
    std::size_t getCellCount() const { return keptCells; }
    std::size_t getAtomSlotCount() const { return slotCount; }
    // Atoms classified into silicon cells when the lattice was built.
    std::size_t getSiliconAtomCount() const { return siliconAtoms; }
    // Bytes of storage the lattice holds.
    std::size_t memoryBytes() const;

    static int basisIndex(AtomId atom) { return int(atom & 7u); }
    // 0 for the face-centred sites (basis 0, 1, 4, 5), 1 for the others.
    static int sublattice(int basis) { return (basis / 2) % 2; }
    // The bond of `slot` in lattice units (the turned quarter diagonal).
    static Util::Vector3D bondVector(int sublattice, int slot);

    AtomId atomId(std::uint32_t i, std::uint32_t j, std::uint32_t k, int basis) const
    {
        return AtomId((std::size_t(cellsJ) * i + j) * cellsK + k) * 8u + AtomId(basis);
    }
    // Whether the atom's unit cell holds silicon (is part of the lattice).
    bool inLattice(AtomId atom) const { return bits(atom) & keptBit; }
    State state(AtomId atom) const { return State(bits(atom) & stateMask); }
    // Only the thread that owns the atom writes it.
    void setState(AtomId atom, State value)
    {
        atoms[atom].store(std::uint8_t((bits(atom) & ~stateMask) | value), std::memory_order_relaxed);
    }

    // An etcher's mark for atoms on its front, so an atom joins it only once.
    // Only the thread that owns the atom writes it.
    bool isOnFront(AtomId atom) const { return bits(atom) & frontBit; }
    void setOnFront(AtomId atom, bool on)
    {
        const std::uint8_t b = bits(atom);
        atoms[atom].store(std::uint8_t(on ? b | frontBit : b & ~frontBit), std::memory_order_relaxed);
    }

    // The atom bonded over `slot`, or noAtom when the bond is open: the
    // neighbour's unit cell holds no silicon or lies beyond the lattice.
    AtomId neighbour(AtomId atom, int slot) const;
    bool hasBoundaryAtom(AtomId atom, int slot) const { return bits(atom) & (boundaryBit0 << slot); }
    // Closes an open slot with a boundary atom (bit only; the etcher lists it).
    void markBoundaryAtom(AtomId atom, int slot)
    {
        atoms[atom].store(std::uint8_t(bits(atom) | (boundaryBit0 << slot)), std::memory_order_relaxed);
    }
    // Drops every boundary atom, reopening the bonds they closed.
    void clearBoundaryAtoms();
    void setBoundaryAtoms(std::vector<BoundaryAtom> list) { boundaryAtoms = std::move(list); }
    const std::vector<BoundaryAtom> &getBoundaryAtoms() const { return boundaryAtoms; }

    // 4 for a fixed atom; otherwise the bonds that lead to a present atom
    // (silicon, fixed or a boundary atom).
    int presentNeighbourCount(AtomId atom) const;
    // Over the four bonds: a silicon neighbour adds its present count - 1, a
    // fixed one (boundary atoms included) 3, an open or absent one 0.
    int secondNeighbourCount(AtomId atom) const;
    bool hasOpenBond(AtomId atom) const;

    // An atom by its unit cell and basis index; the bond queries decode an id
    // once and step between sites without division.
    struct Site
    {
        std::uint32_t i;
        std::uint32_t j;
        std::uint32_t k;
        int basis;
    };
    Site site(AtomId atom) const
    {
        const std::uint32_t key = atom >> 3;
        const std::uint32_t ij = key / cellsK;
        return Site{ij / cellsJ, ij % cellsJ, key % cellsK, basisIndex(atom)};
    }
    AtomId atomId(const Site &s) const { return atomId(s.i, s.j, s.k, s.basis); }
    // The site over `slot` when it lies inside the lattice's extent (its unit
    // cell may still hold no silicon).
    bool step(const Site &from, int slot, Site &to) const
    {
        const BondStep &b = bondSteps[from.basis][slot];
        // Unsigned wrap-around turns a step below 0 into a value beyond the extent.
        to.i = from.i + std::uint32_t(b.di);
        to.j = from.j + std::uint32_t(b.dj);
        to.k = from.k + std::uint32_t(b.dk);
        to.basis = b.basis;
        return to.i < cellsI && to.j < cellsJ && to.k < cellsK;
    }
    AtomId neighbour(const Site &from, int slot) const
    {
        Site to;
        if (!step(from, slot, to))
            return noAtom;
        const AtomId id = atomId(to);
        return inLattice(id) ? id : noAtom;
    }
    int presentNeighbourCount(const Site &s) const;
    int secondNeighbourCount(const Site &s) const;
    Util::Vector3D position(const Site &s) const { return position(s.i, s.j, s.k, s.basis); }

    // In lattice units from the volume's corner.
    Util::Vector3D position(AtomId atom) const;
    // In micrometres, where the atom is drawn.
    Util::Vector3D scenePosition(AtomId atom) const;
    // The volume cell holding a point (lattice units), or -1 outside the volume.
    std::int64_t cellIndexAt(const Util::Vector3D &point) const;
    std::int64_t cellIndex(AtomId atom) const { return cellIndexAt(position(atom)); }
    // The x index of the volume cell column holding a point (lattice units;
    // may lie outside [0, sizeX)).
    std::int64_t cellColumnAt(double x) const;

    std::uint32_t counter(std::size_t cell) const { return counters[cell].load(std::memory_order_relaxed); }
    // Only the thread whose strip holds the cell writes it.
    void setCounter(std::size_t cell, std::uint32_t value) { counters[cell].store(value, std::memory_order_relaxed); }
    // The atoms classified into a silicon cell when the lattice was built.
    const AtomId *cellAtomsBegin(std::size_t cell) const { return cellAtoms.get() + cellAtomStart[cell]; }
    const AtomId *cellAtomsEnd(std::size_t cell) const { return cellAtoms.get() + cellAtomStart[cell + 1]; }
    std::uint32_t builtCount(std::size_t cell) const { return cellAtomStart[cell + 1] - cellAtomStart[cell]; }

private:
    // Where each bond of each basis atom leads: the unit-cell offset and the
    // basis index at the other end. Slot s of one end is slot 3 - s of the other.
    struct BondStep
    {
        int di;
        int dj;
        int dk;
        int basis;
    };
    static constexpr BondStep bondSteps[8][4] = {
        {{0, -1, -1, 7}, {-1, 0, -1, 6}, {-1, -1, 0, 3}, {0, 0, 0, 2}},
        {{0, 0, -1, 6}, {0, 0, -1, 7}, {0, 0, 0, 2}, {0, 0, 0, 3}},
        {{0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 4}, {0, 0, 0, 5}},
        {{0, 0, 0, 1}, {1, 1, 0, 0}, {1, 0, 0, 5}, {0, 1, 0, 4}},
        {{0, -1, 0, 3}, {0, 0, 0, 2}, {0, -1, 0, 7}, {0, 0, 0, 6}},
        {{0, 0, 0, 2}, {-1, 0, 0, 3}, {-1, 0, 0, 6}, {0, 0, 0, 7}},
        {{0, 0, 0, 4}, {1, 0, 0, 5}, {1, 0, 1, 0}, {0, 0, 1, 1}},
        {{0, 0, 0, 5}, {0, 1, 0, 4}, {0, 0, 1, 1}, {0, 1, 1, 0}},
    };

    static constexpr std::uint8_t stateMask = 0x03;
    static constexpr std::uint8_t boundaryBit0 = 0x04;
    static constexpr std::uint8_t frontBit = 0x40;
    static constexpr std::uint8_t keptBit = 0x80;

    std::uint8_t bits(AtomId atom) const { return atoms[atom].load(std::memory_order_relaxed); }
    // Position of basis atom m of cell (i, j, k), in lattice units.
    Util::Vector3D position(std::uint32_t i, std::uint32_t j, std::uint32_t k, int basis) const;
    // Classifies the atoms of the unit cells with i in [iBegin, iEnd): the first
    // pass sets states and counts, the second lists each silicon cell's atoms.
    std::size_t classifyColumns(std::uint32_t iBegin, std::uint32_t iEnd, const Voxel *cells, bool fill);

    TotalVolume *volume;
    std::uint32_t sizeX;
    std::uint32_t sizeY;
    std::uint32_t sizeZ;
    float cellSizeX;
    float cellSizeY;
    float cellSizeZ;
    double unitLength;
    double cellUnitsX;
    double cellUnitsY;
    double cellUnitsZ;
    Util::Vector3D volumePosition;
    Util::Vector3D origin;
    std::uint32_t cellsI;
    std::uint32_t cellsJ;
    std::uint32_t cellsK;
    double cosTurn;
    double sinTurn;
    std::vector<Util::Vector3D> unitCellCorners;

    std::size_t slotCount = 0;
    std::size_t cellCount = 0;
    std::size_t keptCells = 0;
    std::size_t siliconAtoms = 0;
    std::unique_ptr<std::atomic<std::uint8_t>[]> atoms;
    std::unique_ptr<std::atomic<std::uint32_t>[]> counters;
    std::unique_ptr<std::uint32_t[]> cellAtomStart;
    std::unique_ptr<AtomId[]> cellAtoms;
    std::vector<BoundaryAtom> boundaryAtoms;
};

} // namespace Automaton
} // namespace Model

#pragma once

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace Util {
class IProgress;
}

namespace Model {
namespace Automaton {

class ClipPlaneList;
class TotalVolume;

// The geometry of a volume's silicon lattice for drawing: its atoms as small
// spheres coloured by their bonding, the bonds as lines and the unit cells
// as see-through boxes and outlines. Built in plain memory from the lattice
// (no GL context needed), on whatever thread rebuilds the painter; the
// volume's painter draws it. Positions are in the volume's own coordinates;
// atoms, bonds and unit cells outside the painter's visible range are left
// out (the clip planes are in cells), boundary atoms are always kept.
class AtomicRenderer
{
public:
    // The atom radius in lattice units: a tenth of the unit-cell edge. The
    // geometry's radius is this times the lattice unit, so atoms keep their
    // size against the lattice whatever the cells measure.
    static constexpr float atomRadius = 0.1f;
    static const std::uint8_t boundaryAtomColor[3];
    static const std::uint8_t bondColor[3];
    static const std::uint8_t unitCellColor[4];

    struct Atom
    {
        float position[3];
        std::uint8_t color[3];
    };

    // A run of atoms that lie close together (a few unit cells on edge) and
    // the box of their centres.
    struct AtomBlock
    {
        std::size_t first;
        std::size_t count;
        float lower[3];
        float upper[3];
    };

    // The atoms and bonds of one build in flat arrays, never changed once
    // published: the painter keeps drawing a build while the next one is
    // made, and takes the new one by swapping a pointer.
    struct AtomGeometry
    {
        // x, y, z per atom: the lattice's atoms block by block, then the
        // boundary atoms in the lattice's order.
        std::vector<float> positions;
        // r, g, b, a per atom.
        std::vector<std::uint8_t> colors;
        std::size_t boundaryAtomCount = 0;
        // Every atom in exactly one block, in order.
        std::vector<AtomBlock> blocks;
        // Two (x, y, z) points per bond line.
        std::vector<float> bondLines;
        // The sphere radius in micrometres.
        float radius = atomRadius;
        std::uint64_t revision = 0;

        std::size_t atomCount() const { return positions.size() / 3; }
    };

    AtomicRenderer(TotalVolume *volume, ClipPlaneList &clipPlanes);

    AtomicRenderer(const AtomicRenderer &) = delete;
    AtomicRenderer &operator=(const AtomicRenderer &) = delete;

    void setRenderUnitCells(bool value) { renderUnitCells = value; }
    void setRenderUnitCellOutlines(bool value) { renderUnitCellOutlines = value; }
    void setRenderAtoms(bool value) { renderAtoms = value; }
    void setSurfaceAtomsOnly(bool value) { surfaceAtomsOnly = value; }
    void setRenderLinks(bool value) { renderLinks = value; }
    bool getRenderUnitCells() const { return renderUnitCells; }
    bool getRenderUnitCellOutlines() const { return renderUnitCellOutlines; }
    bool getRenderAtoms() const { return renderAtoms; }
    bool getSurfaceAtomsOnly() const { return surfaceAtomsOnly; }
    bool getRenderLinks() const { return renderLinks; }

    // Atoms (while shown) and bond lines (while shown), built in x slabs on
    // the pool under the volume's cells lock; `progress` hears of the columns
    // of atom blocks done. With surface atoms only, atoms without an open bond are
    // left out, and so are their bonds. A bond between two drawn silicon
    // atoms is listed once, from the atom with the smaller id; a bond to any
    // other atom ends halfway.
    void buildAtoms(Util::IProgress *progress = nullptr);
    // The unit-cell boxes and outlines (while either is shown).
    void buildUnitCells();

    // The atoms and bonds of the last build (never null).
    std::shared_ptr<const AtomGeometry> getAtomGeometry() const;
    // The same, copied out as atoms and lines.
    std::vector<Atom> getAtoms() const;
    std::vector<Atom> getBoundaryAtoms() const;
    std::vector<float> getBondLines() const;
    // The unit cells of the last build, copied under the renderer's mutex.
    // Four corners per face, six faces per unit cell.
    std::vector<float> getUnitCellOutlines() const;
    // The twelve triangles of one unit-cell box relative to its corner.
    std::vector<float> getUnitCellMesh() const;
    // The corner of every unit cell drawn as a box.
    std::vector<float> getUnitCellPositions() const;
    std::uint64_t getRevision() const { return revision; }
    // The lattice unit (um) of the last atom build: the factor on atomRadius.
    float getAtomScale() const { return atomScale; }

    // Atom colour by n (bonds to present atoms, 4 for a fixed atom) and s
    // (second neighbours): n = 2 light green, n = 3 blue when s >= 9 else
    // orange, any other n yellow.
    static void atomColor(int n, int s, std::uint8_t out[3]);

private:
    bool passes(double x, double y, double z) const;
    std::vector<Atom> copyAtoms(bool boundary) const;

    TotalVolume *volume;
    ClipPlaneList &clipPlanes;
    std::atomic<bool> renderUnitCells{false};
    std::atomic<bool> renderUnitCellOutlines{false};
    std::atomic<bool> renderAtoms{false};
    std::atomic<bool> surfaceAtomsOnly{false};
    std::atomic<bool> renderLinks{false};

    mutable QMutex mutex;
    std::shared_ptr<const AtomGeometry> atomGeometry;
    std::vector<float> unitCellMesh;
    std::vector<float> unitCellOutlines;
    std::vector<float> unitCellPositions;
    std::atomic<std::uint64_t> revision{0};
    std::atomic<float> atomScale{1.0f};
};

} // namespace Automaton
} // namespace Model

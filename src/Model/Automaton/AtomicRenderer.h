#pragma once

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <vector>

namespace Model {
namespace Automaton {

class ClipPlaneList;
class TotalVolume;

// The geometry of a volume's silicon lattice for drawing: its atoms as small
// spheres coloured by their bonding, the bonds as lines and the unit cells
// as see-through boxes and outlines. Built in plain memory from the lattice
// (no GL context needed); the volume's painter draws it. Positions are in the
// volume's own coordinates; atoms, bonds and unit cells outside the painter's
// visible range are left out (the clip planes are in cells), boundary atoms
// are always kept.
class AtomicRenderer
{
public:
    // Sphere radius of sphereMesh(): a tenth of the unit-cell edge for a
    // lattice unit of 1 um. Drawn at getAtomScale() times that size, it stays
    // a tenth of the edge for any lattice unit.
    static constexpr float atomRadius = 0.1f;
    static const std::uint8_t boundaryAtomColor[3];
    static const std::uint8_t bondColor[3];
    static const std::uint8_t unitCellColor[4];

    struct Atom
    {
        float position[3];
        std::uint8_t color[3];
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

    // Atoms (while shown) and bond lines (while shown). With surface atoms
    // only, atoms without an open bond are left out, and so are their bonds.
    // A bond to a silicon atom ends there (so it is listed from both ends);
    // any other bond ends halfway.
    void buildAtoms();
    // The unit-cell boxes and outlines (while either is shown).
    void buildUnitCells();

    // The atom sphere: a level-2 icosphere of 320 triangles, all positions
    // then as many normal components.
    static const std::vector<float> &sphereMesh();
    static std::size_t sphereVertexCount() { return sphereMesh().size() / 6; }

    // The geometry of the last builds, copied under the renderer's mutex.
    std::vector<Atom> getAtoms() const;
    std::vector<Atom> getBoundaryAtoms() const;
    // Two (x, y, z) points per bond line.
    std::vector<float> getBondLines() const;
    // Four corners per face, six faces per unit cell.
    std::vector<float> getUnitCellOutlines() const;
    // The twelve triangles of one unit-cell box relative to its corner.
    std::vector<float> getUnitCellMesh() const;
    // The corner of every unit cell drawn as a box.
    std::vector<float> getUnitCellPositions() const;
    std::uint64_t getRevision() const { return revision; }
    // The lattice unit (um) of the last atom build: the factor for the sphere.
    float getAtomScale() const { return atomScale; }

    // Atom colour by n (bonds to present atoms, 4 for a fixed atom) and s
    // (second neighbours): n = 2 light green, n = 3 blue when s >= 9 else
    // orange, any other n yellow.
    static void atomColor(int n, int s, std::uint8_t out[3]);

private:
    bool passes(double x, double y, double z) const;

    TotalVolume *volume;
    ClipPlaneList &clipPlanes;
    std::atomic<bool> renderUnitCells{false};
    std::atomic<bool> renderUnitCellOutlines{false};
    std::atomic<bool> renderAtoms{false};
    std::atomic<bool> surfaceAtomsOnly{false};
    std::atomic<bool> renderLinks{false};

    mutable QMutex mutex;
    std::vector<float> unitCellMesh;
    std::vector<Atom> atoms;
    std::vector<Atom> boundaryAtoms;
    std::vector<float> bondLines;
    std::vector<float> unitCellOutlines;
    std::vector<float> unitCellPositions;
    std::atomic<std::uint64_t> revision{0};
    std::atomic<float> atomScale{1.0f};
};

} // namespace Automaton
} // namespace Model

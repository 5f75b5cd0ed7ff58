#pragma once

#include "AtomicRenderer.h"
#include "CellRange.h"
#include "ClipPlaneList.h"
#include "MarchingCubeSurface.h"
#include "MaterialColorTable.h"
#include "Model/Geometry/QuadArrays.h"
#include "Model/Geometry/QuadFace.h"
#include "OctreeSurface.h"

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

namespace Util {
class IProgress;
}

namespace Model {
namespace Materials {
class MaterialFactory;
}

namespace Automaton {

class AtomPainter;
class TotalVolume;

// Turns a volume's cells into drawable faces and draws them.
//
// Geometry is built in plain C++ (no GL context needed) and only on request:
// `rebuild` after the cells changed, `buildFaces` when the surface algorithm
// changes, or at the next draw after `invalidate` (and for a new painter,
// at its first draw), so a volume nobody draws never builds faces. A build reads the cells under the volume's cells lock, builds new
// lists on the side and swaps them in under the painter's geometry mutex, so
// a draw on the interface thread sees either the old or the new geometry,
// never half of it.
//
// Drawing uses fixed-function GL with client-side vertex arrays; the atoms
// and bonds go through an AtomPainter, whose GL objects belong to the
// context (its bond buffer is freed at the context's next draw after the
// painter is gone). So the painter can be created and destroyed without a
// current context, and every build (surfaces and atoms included) may run off
// the interface thread.
class TotalVolumePainter
{
public:
    enum SurfaceAlgorithm : std::uint32_t {
        DirectCubic = 0,
        MarchingCubes = 1,
        Octree = 2,
    };

    explicit TotalVolumePainter(TotalVolume *volume);
    ~TotalVolumePainter();

    TotalVolumePainter(const TotalVolumePainter &) = delete;
    TotalVolumePainter &operator=(const TotalVolumePainter &) = delete;

    // Rebuilds all geometry from the current cells (takes the cells lock):
    // the cubic faces, the surface of the current algorithm, the empty-cell
    // faces while they are shown, then the atoms and unit cells. The surface
    // and atom builds report their progress to `progress` when one is given.
    void rebuild(Util::IProgress *progress = nullptr);
    // The cells changed: the next draw rebuilds first.
    void invalidate() { stale = true; }
    // True until the first rebuild, and again after invalidate().
    bool isStale() const { return stale; }
    // Draws the volume at its position; needs the GL context.
    void draw(bool drawObject, bool drawOutlines);
    // The volume's bounding box as six quads, for the picking pass.
    void drawPickBox();

    // Rebuilds the opaque and transparent cubic faces. Faces always carry the
    // plain material colours; the next draw re-applies a selection highlight.
    void buildFaces();
    // Rebuilds the faces of the empty cells in range (all six per cell).
    void buildEmptyVoxelFaces();
    // Recolours the existing faces from the catalogue and the volume's
    // selection state (highlighted while selected).
    void updateColors();
    // Brings the face colours in line with the volume's selection state;
    // true when it had to recolour. `draw` calls it first.
    bool syncSelection();

    // Stores the visible range (cut to the volume size, lower <= upper) and
    // replaces the clip planes; takes effect at the next build.
    void setLimits(const std::uint32_t lower[3], const std::uint32_t upper[3]);
    void setLimits(const CellRange &range);
    CellRange getLimits() const;
    ClipPlaneList &getClipPlanes() { return clipPlanes; }

    // Stores a different algorithm (0, 1 or 2) and rebuilds the cubic faces;
    // the current value, or an unknown one, changes nothing. True when changed.
    bool setSurfaceAlgorithm(std::uint32_t algorithm);
    std::uint32_t getSurfaceAlgorithm() const { return surfaceAlgorithm; }
    void setShowEmptyVoxelOutlines(bool show) { showEmptyVoxelOutlines = show; }
    bool getShowEmptyVoxelOutlines() const { return showEmptyVoxelOutlines; }
    // While hidden, `draw` draws nothing.
    void setHidden(bool value) { hidden = value; }
    bool isHidden() const { return hidden; }

    // The atomic renderer's switches; they take effect at the next rebuild.
    void setRenderAtoms(bool value) { atomicRenderer.setRenderAtoms(value); }
    void setSurfaceAtomsOnly(bool value) { atomicRenderer.setSurfaceAtomsOnly(value); }
    void setRenderLinks(bool value) { atomicRenderer.setRenderLinks(value); }
    void setRenderUnitCells(bool value) { atomicRenderer.setRenderUnitCells(value); }
    void setRenderUnitCellOutlines(bool value) { atomicRenderer.setRenderUnitCellOutlines(value); }
    bool getRenderAtoms() const { return atomicRenderer.getRenderAtoms(); }
    bool getSurfaceAtomsOnly() const { return atomicRenderer.getSurfaceAtomsOnly(); }
    bool getRenderLinks() const { return atomicRenderer.getRenderLinks(); }
    bool getRenderUnitCells() const { return atomicRenderer.getRenderUnitCells(); }
    bool getRenderUnitCellOutlines() const { return atomicRenderer.getRenderUnitCellOutlines(); }

    // The other surfaces and the atoms, as last built.
    const MarchingCubeSurface &getMarchingCubeSurface() const { return marchingCubeSurface; }
    const OctreeSurface &getOctreeSurface() const { return octreeSurface; }
    const AtomicRenderer &getAtomicRenderer() const { return atomicRenderer; }
    // What drew the atoms and bonds (its last splat); null before the first draw with atoms.
    const AtomPainter *getAtomPainter() const { return atomPainter.get(); }

    // Copies of the built geometry, in drawing order.
    Geometry::QuadFaceList getOpaqueFaces() const;
    Geometry::QuadFaceList getTransparentFaces() const;
    Geometry::QuadFaceList getEmptyVoxelFaces() const;
    std::size_t getOpaqueFaceCount() const;
    std::size_t getTransparentFaceCount() const;
    std::size_t getEmptyVoxelFaceCount() const;
    // The colour table of the last build or recolouring.
    MaterialColorTable getColorTable() const;

    // The mask overlays as (x, y, z) quad corners in the volume's own
    // coordinates: the bottom mask (the volume's first) five cell layers
    // below the volume, the top mask (its second) five layers above it.
    struct MaskQuads
    {
        std::vector<float> below;
        std::vector<float> above;
    };
    MaskQuads maskOverlayQuads() const;

private:
    // The marching-cubes surface unrolled for drawing, coloured per vertex.
    struct TriangleArrays
    {
        std::vector<float> positions;
        std::vector<float> normals;
        std::vector<std::uint32_t> materials;
        std::vector<std::uint8_t> colors;
        std::uint64_t revision = ~std::uint64_t(0);
        bool colorsStale = true;
    };
    // The atomic renderer's unit cells as last copied for drawing.
    struct AtomArrays
    {
        std::vector<float> unitCellMesh;
        std::vector<float> unitCellOutlines;
        std::vector<float> unitCellPositions;
        std::uint64_t revision = ~std::uint64_t(0);
    };

    void refreshDrawArrays();
    void drawFaceArrays(const Geometry::QuadArrays &arrays, bool outlineColors) const;
    void drawOutlinePass(bool withEmptyVoxels) const;
    // The faces of the given arrays (null ones passed over) as lines.
    void drawOutlines(std::initializer_list<const Geometry::QuadArrays *> lists) const;
    void drawMaskOverlays() const;

    // Drawing of the other surfaces and the atoms (interface thread).
    void drawMarchingCubeSurface();
    void drawOctreeSurface(bool withOutlines, bool opaquePass);
    void refreshAtomArrays();
    void drawAtomicSolid();
    void drawAtomicTransparent();

    std::shared_ptr<Materials::MaterialFactory> materials;
    TotalVolume *volume;
    std::atomic<bool> showEmptyVoxelOutlines{false};
    std::atomic<bool> hidden{false};
    std::atomic<bool> stale{true};
    std::atomic<std::uint32_t> surfaceAlgorithm{DirectCubic};
    float cellSizeX;
    float cellSizeY;
    float cellSizeZ;

    mutable QMutex limitsMutex;
    CellRange limits;
    ClipPlaneList clipPlanes;
    MarchingCubeSurface marchingCubeSurface;
    OctreeSurface octreeSurface;
    AtomicRenderer atomicRenderer;

    // Guards everything below: the face lists, the colour table, the
    // selection state the colours show and the draw arrays.
    mutable QMutex geometryMutex;
    bool appliedSelection;
    MaterialColorTable colorTable;
    Geometry::QuadFaceList opaqueFaces;
    Geometry::QuadFaceList transparentFaces;
    Geometry::QuadFaceList emptyVoxelFaces;
    Geometry::QuadArrays opaqueArrays;
    Geometry::QuadArrays transparentArrays;
    Geometry::QuadArrays emptyVoxelArrays;
    bool drawArraysStale = true;
    TriangleArrays triangleArrays;
    Geometry::QuadArrays octreeOpaqueArrays;
    Geometry::QuadArrays octreeTransparentArrays;
    std::uint64_t octreeArraysRevision = ~std::uint64_t(0);
    AtomArrays atomArrays;
    std::unique_ptr<AtomPainter> atomPainter;
};

} // namespace Automaton
} // namespace Model

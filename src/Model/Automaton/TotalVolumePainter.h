#pragma once

#include "CellRange.h"
#include "ClipPlaneList.h"
#include "MaterialColorTable.h"
#include "Model/Geometry/QuadArrays.h"
#include "Model/Geometry/QuadFace.h"

#include <QMutex>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace Materials {
class MaterialFactory;
}

namespace Automaton {

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
// Drawing uses fixed-function GL with client-side vertex arrays. The painter
// owns no GL objects, so it can be created and destroyed without a current
// context.
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
    // faces while they are shown, then the atoms and unit cells.
    void rebuild();
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

    // The atomic renderer's switches. They are kept here until the renderer
    // exists; it then takes them over and these become pass-throughs.
    void setRenderAtoms(bool value) { atomicSwitches.renderAtoms = value; }
    void setSurfaceAtomsOnly(bool value) { atomicSwitches.surfaceAtomsOnly = value; }
    void setRenderLinks(bool value) { atomicSwitches.renderLinks = value; }
    void setRenderUnitCells(bool value) { atomicSwitches.renderUnitCells = value; }
    void setRenderUnitCellOutlines(bool value) { atomicSwitches.renderUnitCellOutlines = value; }
    bool getRenderAtoms() const { return atomicSwitches.renderAtoms; }
    bool getSurfaceAtomsOnly() const { return atomicSwitches.surfaceAtomsOnly; }
    bool getRenderLinks() const { return atomicSwitches.renderLinks; }
    bool getRenderUnitCells() const { return atomicSwitches.renderUnitCells; }
    bool getRenderUnitCellOutlines() const { return atomicSwitches.renderUnitCellOutlines; }

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
    struct AtomicSwitches
    {
        std::atomic<bool> renderUnitCells{false};
        std::atomic<bool> renderUnitCellOutlines{false};
        std::atomic<bool> renderAtoms{false};
        std::atomic<bool> surfaceAtomsOnly{false};
        std::atomic<bool> renderLinks{false};
    };

    void refreshDrawArrays();
    void drawFaceArrays(const Geometry::QuadArrays &arrays, bool outlineColors) const;
    void drawOutlinePass(bool withEmptyVoxels) const;
    void drawMaskOverlays() const;

    // Hooks for the marching-cubes and octree surfaces and the atomic
    // renderer. Each is called where the finished painter needs it and does
    // nothing until that part exists.
    // rebuild(), algorithm MarchingCubes / Octree, over the current limits:
    void buildMarchingCubeSurface(const CellRange &range);
    void buildOctreeSurface(const CellRange &range);
    // updateColors(), algorithm Octree (instead of the cubic faces):
    void recolorOctreeSurface();
    // draw(): the solid pass of MarchingCubes; the solid (opaquePass true)
    // and transparent (false) passes of Octree:
    void drawMarchingCubeSurface(bool drawOutlines);
    void drawOctreeSurface(bool drawOutlines, bool opaquePass);
    // rebuild(), after the surfaces; draw(): the solid pass (direct cubic
    // only) and the transparent pass. The renderer clips with `clipPlanes`.
    void buildAtoms();
    void buildUnitCells();
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
    AtomicSwitches atomicSwitches;

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
};

} // namespace Automaton
} // namespace Model

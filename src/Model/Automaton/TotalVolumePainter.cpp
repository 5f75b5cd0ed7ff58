#include "TotalVolumePainter.h"

#include "AtomPainter.h"
#include "CubicFaceBuilder.h"
#include "MaskOverlay.h"
#include "SlabSplit.h"
#include "TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/BitVector.h"
#include "Util/Logging.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <GL/gl.h>

#include <algorithm>

namespace Model {
namespace Automaton {

using Geometry::QuadArrays;
using Geometry::QuadFaceList;

namespace {

// Faces per glDrawArrays call, so vertex counts always fit a GLsizei.
constexpr std::size_t facesPerDrawCall = std::size_t(1) << 20;

} // namespace

TotalVolumePainter::TotalVolumePainter(TotalVolume *v)
    : materials(Materials::MaterialFactory::getInstance())
    , volume(v)
    , cellSizeX(v->getCellSizeX())
    , cellSizeY(v->getCellSizeY())
    , cellSizeZ(v->getCellSizeZ())
    , limits(CellRange::whole(v->getSizeX(), v->getSizeY(), v->getSizeZ()))
    , marchingCubeSurface(v)
    , octreeSurface(v)
    , atomicRenderer(v, clipPlanes)
    // The opposite of the volume's state, so the first draw applies colours.
    , appliedSelection(!v->isSelected())
{
}

// Owns no GL objects: the lists and arrays are plain memory and the atom
// painter's buffer is freed by its context, so this is safe with or without
// a current context.
TotalVolumePainter::~TotalVolumePainter() = default;

void TotalVolumePainter::rebuild(Util::IProgress *progress)
{
    // Cleared first: cells that change during the build mark it stale again.
    stale = false;
    buildFaces();
    const CellRange range = getLimits();
    if (surfaceAlgorithm == Octree)
        octreeSurface.build(range, progress);
    else if (surfaceAlgorithm == MarchingCubes)
        marchingCubeSurface.build(range, progress);

    if (showEmptyVoxelOutlines) {
        buildEmptyVoxelFaces();
    } else {
        QuadFaceList stale;
        QMutexLocker locker(&geometryMutex);
        stale.swap(emptyVoxelFaces);
        emptyVoxelArrays.clear();
    }
    atomicRenderer.buildAtoms(progress);
    atomicRenderer.buildUnitCells();
}

void TotalVolumePainter::buildFaces()
{
    QElapsedTimer timer;
    timer.start();
    MaterialColorTable table;
    table.refill(materials->getMaterials());
    const CellRange range = getLimits();

    QuadFaceList opaque;
    QuadFaceList transparent;
    {
        const TotalVolume::CellsLock cells(*volume, TotalVolume::CellsLock::Read);
        CubicFaceBuilder builder(cells.cells(), volume->getSizeX(), volume->getSizeY(),
                                 volume->getSizeZ(), cellSizeX, cellSizeY, cellSizeZ, range, table);
        builder.build(SlabSplit::poolThreadCount(), opaque, transparent);
    }

    QMutexLocker locker(&geometryMutex);
    opaqueFaces.swap(opaque);
    transparentFaces.swap(transparent);
    colorTable = table;
    // New faces show plain material colours; the next draw highlights them
    // again if the volume is selected.
    appliedSelection = false;
    drawArraysStale = true;
    qCDebug(lcView) << "Cubic faces built:" << opaqueFaces.size() << "opaque,"
                    << transparentFaces.size() << "transparent; Elapsed time"
                    << timer.elapsed() << "ms";
}

void TotalVolumePainter::buildEmptyVoxelFaces()
{
    MaterialColorTable table;
    const CellRange range = getLimits();
    QuadFaceList empty;
    {
        const TotalVolume::CellsLock cells(*volume, TotalVolume::CellsLock::Read);
        CubicFaceBuilder builder(cells.cells(), volume->getSizeX(), volume->getSizeY(),
                                 volume->getSizeZ(), cellSizeX, cellSizeY, cellSizeZ, range, table);
        builder.buildEmpty(SlabSplit::poolThreadCount(), empty);
    }
    QMutexLocker locker(&geometryMutex);
    emptyVoxelFaces.swap(empty);
    drawArraysStale = true;
}

void TotalVolumePainter::updateColors()
{
    const bool selected = volume->isSelected();
    if (surfaceAlgorithm == Octree) {
        octreeSurface.updateColors(selected);
        QMutexLocker locker(&geometryMutex);
        appliedSelection = selected;
        return;
    }
    if (surfaceAlgorithm == MarchingCubes) {
        // The vertex colours follow the catalogue and the selection at the next draw.
        QMutexLocker locker(&geometryMutex);
        triangleArrays.colorsStale = true;
        appliedSelection = selected;
        return;
    }

    MaterialColorTable table;
    table.refill(materials->getMaterials());

    QMutexLocker locker(&geometryMutex);
    colorTable = table;
    colorTable.paint(opaqueFaces, selected);
    colorTable.paint(transparentFaces, selected);
    appliedSelection = selected;
    drawArraysStale = true;
}

bool TotalVolumePainter::syncSelection()
{
    const bool selected = volume->isSelected();
    {
        QMutexLocker locker(&geometryMutex);
        if (selected == appliedSelection)
            return false;
        appliedSelection = selected;
    }
    updateColors();
    return true;
}

void TotalVolumePainter::setLimits(const std::uint32_t lower[3], const std::uint32_t upper[3])
{
    CellRange range;
    std::copy(lower, lower + 3, range.lower.begin());
    std::copy(upper, upper + 3, range.upper.begin());
    setLimits(range);
}

void TotalVolumePainter::setLimits(const CellRange &range)
{
    const CellRange clamped = range.clampedTo(volume->getSizeX(), volume->getSizeY(),
                                              volume->getSizeZ());
    {
        QMutexLocker locker(&limitsMutex);
        limits = clamped;
    }
    clipPlanes.replace(ClipPlaneList::fromRange(clamped));
}

CellRange TotalVolumePainter::getLimits() const
{
    QMutexLocker locker(&limitsMutex);
    return limits;
}

bool TotalVolumePainter::setSurfaceAlgorithm(std::uint32_t algorithm)
{
    if (algorithm > Octree) {
        qCWarning(lcView) << "Unknown surface algorithm" << algorithm << "ignored";
        return false;
    }
    if (algorithm == surfaceAlgorithm)
        return false;
    surfaceAlgorithm = algorithm;
    buildFaces();
    return true;
}

QuadFaceList TotalVolumePainter::getOpaqueFaces() const
{
    QMutexLocker locker(&geometryMutex);
    return opaqueFaces;
}

QuadFaceList TotalVolumePainter::getTransparentFaces() const
{
    QMutexLocker locker(&geometryMutex);
    return transparentFaces;
}

QuadFaceList TotalVolumePainter::getEmptyVoxelFaces() const
{
    QMutexLocker locker(&geometryMutex);
    return emptyVoxelFaces;
}

std::size_t TotalVolumePainter::getOpaqueFaceCount() const
{
    QMutexLocker locker(&geometryMutex);
    return opaqueFaces.size();
}

std::size_t TotalVolumePainter::getTransparentFaceCount() const
{
    QMutexLocker locker(&geometryMutex);
    return transparentFaces.size();
}

std::size_t TotalVolumePainter::getEmptyVoxelFaceCount() const
{
    QMutexLocker locker(&geometryMutex);
    return emptyVoxelFaces.size();
}

MaterialColorTable TotalVolumePainter::getColorTable() const
{
    QMutexLocker locker(&geometryMutex);
    return colorTable;
}

// ---- Drawing (interface thread, GL context current) ----

void TotalVolumePainter::refreshDrawArrays()
{
    if (!drawArraysStale)
        return;
    opaqueArrays.assign(opaqueFaces);
    transparentArrays.assign(transparentFaces);
    emptyVoxelArrays.assign(emptyVoxelFaces);
    drawArraysStale = false;
}

void TotalVolumePainter::drawFaceArrays(const QuadArrays &arrays, bool outlineColors) const
{
    if (arrays.isEmpty())
        return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    const std::size_t vertices = arrays.vertexCount();
    const std::size_t chunk = facesPerDrawCall * 4;
    for (std::size_t first = 0; first < vertices; first += chunk) {
        const std::size_t count = std::min(chunk, vertices - first);
        glVertexPointer(3, GL_FLOAT, 0, arrays.positions() + first * 3);
        glNormalPointer(GL_BYTE, 0, arrays.normals() + first * 3);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0,
                       (outlineColors ? arrays.outlineColors() : arrays.colors()) + first * 4);
        glDrawArrays(GL_QUADS, 0, GLsizei(count));
    }
    glPopClientAttrib();
}

void TotalVolumePainter::drawOutlinePass(bool withEmptyVoxels) const
{
    drawOutlines({&opaqueArrays, &transparentArrays, withEmptyVoxels ? &emptyVoxelArrays : nullptr});
}

void TotalVolumePainter::drawOutlines(std::initializer_list<const QuadArrays *> lists) const
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    // Outlines are faces drawn as lines: the offset towards the viewer must
    // apply to line mode, or they sink into the faces they outline. Thin
    // lines keep the faces' shading visible at normal zoom.
    glEnable(GL_POLYGON_OFFSET_LINE);
    glPolygonOffset(-2.5f, -2.5f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glLineWidth(1.0f);
    for (const QuadArrays *arrays : lists) {
        if (arrays)
            drawFaceArrays(*arrays, true);
    }
    glPopAttrib();
}

TotalVolumePainter::MaskQuads TotalVolumePainter::maskOverlayQuads() const
{
    const std::uint32_t nx = volume->getSizeX();
    const std::uint32_t ny = volume->getSizeY();
    std::uint32_t widthA = 0, heightA = 0, widthB = 0, heightB = 0;
    volume->getMaskADimensions(widthA, heightA);
    volume->getMaskBDimensions(widthB, heightB);
    // Each mask floats on the side it lights: the first (bottom) mask below
    // the volume, the second (top) mask above it.
    MaskQuads quads;
    quads.below = MaskOverlay::quads(volume->getMaskA(), widthA, heightA, nx, ny, cellSizeX, cellSizeY,
                                     float(-MaskOverlay::layerOffset) * cellSizeZ);
    quads.above = MaskOverlay::quads(volume->getMaskB(), widthB, heightB, nx, ny, cellSizeX, cellSizeY,
                                     float(volume->getSizeZ() + MaskOverlay::layerOffset) * cellSizeZ);
    return quads;
}

void TotalVolumePainter::drawMaskOverlays() const
{
    const MaskQuads quads = maskOverlayQuads();
    const std::vector<float> &below = quads.below;
    const std::vector<float> &above = quads.above;
    if (below.empty() && above.empty())
        return;

    glDisable(GL_CULL_FACE);
    glColor4fv(MaskOverlay::color);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (const std::vector<float> *side : {&below, &above}) {
        if (side->empty())
            continue;
        glVertexPointer(3, GL_FLOAT, 0, side->data());
        glDrawArrays(GL_QUADS, 0, GLsizei(side->size() / 3));
    }
    glPopClientAttrib();
    glEnable(GL_CULL_FACE);
}

void TotalVolumePainter::draw(bool drawObject, bool drawOutlines)
{
    if (hidden)
        return;
    if (stale)
        rebuild();
    syncSelection();

    // While a move or copy follows the mouse the volume is drawn at its preview place.
    Util::Vector3D p = volume->getPosition();
    if (volume->isPreviewing())
        p += volume->getPreviewOffset();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(p.x, p.y, p.z);
    if (!drawObject) {
        glPopMatrix();
        return;
    }

    const std::uint32_t algorithm = surfaceAlgorithm;
    QMutexLocker locker(&geometryMutex);
    refreshDrawArrays();

    // Solid pass. The atoms come with every surface, after its opaque faces:
    // the atoms hidden inside them are then left out early.
    if (algorithm == DirectCubic) {
        drawFaceArrays(opaqueArrays, false);
        drawAtomicSolid();
        if (drawOutlines)
            drawOutlinePass(showEmptyVoxelOutlines);
    } else if (algorithm == MarchingCubes) {
        // The marching-cubes surface draws no outlines.
        drawMarchingCubeSurface();
        drawAtomicSolid();
    } else {
        drawOctreeSurface(drawOutlines, true);
        drawAtomicSolid();
    }

    // Transparent pass: unsorted, with the view's blend function.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    drawAtomicTransparent();
    if (algorithm == DirectCubic)
        drawFaceArrays(transparentArrays, false);
    else if (algorithm == Octree)
        drawOctreeSurface(drawOutlines, false);
    drawMaskOverlays();
    glPopAttrib();

    glPopMatrix();
}

void TotalVolumePainter::drawPickBox()
{
    const Util::Vector3D p = volume->getPosition();
    const double x0 = p.x;
    const double y0 = p.y;
    const double z0 = p.z;
    const double x1 = p.x + volume->getSizeX() * double(cellSizeX);
    const double y1 = p.y + volume->getSizeY() * double(cellSizeY);
    const double z1 = p.z + volume->getSizeZ() * double(cellSizeZ);
    glBegin(GL_QUADS);
    // bottom, top
    glVertex3d(x0, y0, z0); glVertex3d(x0, y1, z0); glVertex3d(x1, y1, z0); glVertex3d(x1, y0, z0);
    glVertex3d(x0, y0, z1); glVertex3d(x1, y0, z1); glVertex3d(x1, y1, z1); glVertex3d(x0, y1, z1);
    // front (y0), back (y1)
    glVertex3d(x0, y0, z0); glVertex3d(x1, y0, z0); glVertex3d(x1, y0, z1); glVertex3d(x0, y0, z1);
    glVertex3d(x0, y1, z0); glVertex3d(x0, y1, z1); glVertex3d(x1, y1, z1); glVertex3d(x1, y1, z0);
    // left (x0), right (x1)
    glVertex3d(x0, y0, z0); glVertex3d(x0, y0, z1); glVertex3d(x0, y1, z1); glVertex3d(x0, y1, z0);
    glVertex3d(x1, y0, z0); glVertex3d(x1, y1, z0); glVertex3d(x1, y1, z1); glVertex3d(x1, y0, z1);
    glEnd();
}

// ---- The other surfaces and the atoms (interface thread, GL context current) ----

void TotalVolumePainter::drawMarchingCubeSurface()
{
    TriangleArrays &a = triangleArrays;
    if (a.revision != marchingCubeSurface.getRevision()) {
        a.revision = marchingCubeSurface.getRevision();
        const std::vector<Triangle> triangles = marchingCubeSurface.getTriangles();
        a.positions.clear();
        a.normals.clear();
        a.materials.clear();
        a.positions.reserve(triangles.size() * 9);
        a.normals.reserve(triangles.size() * 9);
        a.materials.reserve(triangles.size() * 3);
        for (const Triangle &t : triangles) {
            for (const Triangle::Vertex &v : t.vertices) {
                a.positions.insert(a.positions.end(), v.position, v.position + 3);
                a.normals.insert(a.normals.end(), v.normal, v.normal + 3);
                a.materials.push_back(v.material);
            }
        }
        a.colorsStale = true;
    }
    if (a.colorsStale) {
        MaterialColorTable table;
        table.refill(materials->getMaterials());
        const bool selected = volume->isSelected();
        a.colors.resize(a.materials.size() * 4);
        for (std::size_t v = 0; v < a.materials.size(); ++v) {
            float c[4];
            const float *plain = table.color(a.materials[v]);
            if (selected)
                MaterialColorTable::highlight(plain, c);
            else
                std::copy(plain, plain + 4, c);
            // Without alpha: the surface is always opaque.
            for (int k = 0; k < 3; ++k)
                a.colors[v * 4 + std::size_t(k)] = std::uint8_t(std::min(1.0f, std::max(0.0f, c[k])) * 255.0f);
            a.colors[v * 4 + 3] = 255;
        }
        a.colorsStale = false;
    }
    if (a.materials.empty())
        return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    const std::size_t vertices = a.materials.size();
    const std::size_t chunk = facesPerDrawCall * 3;
    for (std::size_t first = 0; first < vertices; first += chunk) {
        const std::size_t count = std::min(chunk, vertices - first);
        glVertexPointer(3, GL_FLOAT, 0, a.positions.data() + first * 3);
        glNormalPointer(GL_FLOAT, 0, a.normals.data() + first * 3);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, a.colors.data() + first * 4);
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(count));
    }
    glPopClientAttrib();
}

void TotalVolumePainter::drawOctreeSurface(bool withOutlines, bool opaquePass)
{
    if (octreeArraysRevision != octreeSurface.getRevision()) {
        octreeArraysRevision = octreeSurface.getRevision();
        octreeOpaqueArrays.assign(octreeSurface.getOpaqueFaces());
        octreeTransparentArrays.assign(octreeSurface.getTransparentFaces());
    }
    const QuadArrays &arrays = opaquePass ? octreeOpaqueArrays : octreeTransparentArrays;
    drawFaceArrays(arrays, false);
    if (withOutlines)
        drawOutlines({&arrays});
}

void TotalVolumePainter::refreshAtomArrays()
{
    AtomArrays &a = atomArrays;
    if (a.revision == atomicRenderer.getRevision())
        return;
    a.revision = atomicRenderer.getRevision();
    a.unitCellMesh = atomicRenderer.getUnitCellMesh();
    a.unitCellOutlines = atomicRenderer.getUnitCellOutlines();
    a.unitCellPositions = atomicRenderer.getUnitCellPositions();
}

void TotalVolumePainter::drawAtomicSolid()
{
    refreshAtomArrays();
    const AtomArrays &a = atomArrays;
    const bool atoms = atomicRenderer.getRenderAtoms();
    const bool links = atomicRenderer.getRenderLinks();
    if (atoms || links) {
        // Built once per lattice change; the draw only takes the pointer.
        const std::shared_ptr<const AtomicRenderer::AtomGeometry> geometry = atomicRenderer.getAtomGeometry();
        if (geometry->atomCount() > 0 || !geometry->bondLines.empty()) {
            if (!atomPainter)
                atomPainter = std::make_unique<AtomPainter>();
            atomPainter->draw(*geometry, atoms, links);
        }
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (atomicRenderer.getRenderUnitCellOutlines() && !a.unitCellOutlines.empty()) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_LIGHTING);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(-2.5f, -2.5f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glLineWidth(2.0f);
        glColor3ubv(AtomicRenderer::unitCellColor);
        glVertexPointer(3, GL_FLOAT, 0, a.unitCellOutlines.data());
        const GLsizei loops = GLsizei(a.unitCellOutlines.size() / 12);
        for (GLsizei i = 0; i < loops; ++i)
            glDrawArrays(GL_LINE_LOOP, i * 4, 4);
        glPopAttrib();
    }
    glPopClientAttrib();
}

void TotalVolumePainter::drawAtomicTransparent()
{
    refreshAtomArrays();
    const AtomArrays &a = atomArrays;
    if (!atomicRenderer.getRenderUnitCells() || a.unitCellMesh.empty() || a.unitCellPositions.empty())
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glColor4ubv(AtomicRenderer::unitCellColor);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, a.unitCellMesh.data());
    const GLsizei vertices = GLsizei(a.unitCellMesh.size() / 3);
    for (std::size_t i = 0; i + 2 < a.unitCellPositions.size(); i += 3) {
        glPushMatrix();
        glTranslatef(a.unitCellPositions[i], a.unitCellPositions[i + 1], a.unitCellPositions[i + 2]);
        glDrawArrays(GL_TRIANGLES, 0, vertices);
        glPopMatrix();
    }
    glPopClientAttrib();
    glPopAttrib();
}

} // namespace Automaton
} // namespace Model

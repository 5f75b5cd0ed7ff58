#include "AtomicRenderer.h"

#include "ClipPlaneList.h"
#include "SiLattice.h"
#include "SlabSplit.h"
#include "TotalVolume.h"
#include "Util/IProgress.h"
#include "Util/Logging.h"

#include <QMutexLocker>

#include <algorithm>
#include <atomic>

namespace Model {
namespace Automaton {

namespace {

// Triangles of the unit-cell box over its eight corners.
constexpr int boxTriangles[12][3] = {{0, 1, 2}, {1, 3, 2}, {2, 6, 4}, {2, 4, 0}, {1, 0, 4}, {1, 4, 5},
                                     {3, 6, 2}, {6, 3, 7}, {3, 1, 7}, {7, 1, 5}, {6, 7, 5}, {6, 5, 4}};
// The six faces of the box as loops of four corners.
constexpr int boxFaces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 1, 3, 2},
                                {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}};

// Unit cells along each edge of an atom block, and the most boundary atoms in one.
constexpr std::uint32_t blockCells = 2;
constexpr std::size_t blockAtoms = 64;

void include(AtomicRenderer::AtomBlock &block, const float p[3])
{
    for (int a = 0; a < 3; ++a) {
        block.lower[a] = block.count == 0 ? p[a] : std::min(block.lower[a], p[a]);
        block.upper[a] = block.count == 0 ? p[a] : std::max(block.upper[a], p[a]);
    }
    ++block.count;
}

void append(std::vector<float> &out, const Util::Vector3D &p)
{
    out.push_back(float(p.x));
    out.push_back(float(p.y));
    out.push_back(float(p.z));
}

} // namespace

const std::uint8_t AtomicRenderer::boundaryAtomColor[3] = {255, 0, 127};
const std::uint8_t AtomicRenderer::bondColor[3] = {255, 255, 127};
const std::uint8_t AtomicRenderer::unitCellColor[4] = {127, 127, 255, 127};

AtomicRenderer::AtomicRenderer(TotalVolume *v, ClipPlaneList &planes)
    : volume(v), clipPlanes(planes), atomGeometry(std::make_shared<AtomGeometry>())
{
}

void AtomicRenderer::atomColor(int n, int s, std::uint8_t out[3])
{
    static const std::uint8_t two[3] = {127, 255, 127};
    static const std::uint8_t saturated[3] = {0, 0, 255};
    static const std::uint8_t open[3] = {255, 127, 0};
    static const std::uint8_t other[3] = {255, 255, 0};
    const std::uint8_t *c = n == 2 ? two : n == 3 ? (s >= 9 ? saturated : open) : other;
    std::copy(c, c + 3, out);
}

bool AtomicRenderer::passes(double x, double y, double z) const
{
    // The planes are in cells of the volume.
    return clipPlanes.passes(x / double(volume->getCellSizeX()), y / double(volume->getCellSizeY()),
                             z / double(volume->getCellSizeZ()));
}

void AtomicRenderer::buildAtoms(Util::IProgress *progress)
{
    qCDebug(lcView) << "Building atoms";
    auto built = std::make_shared<AtomGeometry>();
    const std::shared_ptr<SiLattice> lattice = volume->getSiLattice();
    const bool atomsShown = renderAtoms;
    const bool linksShown = renderLinks;
    const bool surfaceOnly = surfaceAtomsOnly;
    if (lattice && (atomsShown || linksShown)) {
        // The lattice is in lattice units from the volume's corner; the
        // drawing is in micrometres from it.
        const double unit = lattice->getUnitLength();
        atomScale = float(unit);
        built->radius = float(atomRadius * unit);
        // The planes are in cells: taken once, so the slabs do not queue on
        // the list's mutex for every atom.
        const std::vector<ClipPlaneList::Plane> planes = clipPlanes.planes();
        const double cell[3] = {double(volume->getCellSizeX()), double(volume->getCellSizeY()),
                                double(volume->getCellSizeZ())};
        auto inRange = [&planes, &cell](const Util::Vector3D &p) {
            const double x = p.x / cell[0], y = p.y / cell[1], z = p.z / cell[2];
            for (const ClipPlaneList::Plane &q : planes) {
                if (q[0] * x + q[1] * y + q[2] * z + q[3] >= 1e-6)
                    return false;
            }
            return true;
        };
        auto local = [unit](const Util::Vector3D &p) {
            return Util::Vector3D(p.x * unit, p.y * unit, p.z * unit);
        };
        const SiLattice &l = *lattice;
        // Whether an atom gets drawn (and lists its bonds).
        auto shown = [&](const SiLattice::Site &site, SiLattice::AtomId atom, Util::Vector3D &at) {
            if (l.state(atom) == SiLattice::Absent || (surfaceOnly && !l.hasOpenBond(atom)))
                return false;
            at = local(l.position(site));
            return inRange(at);
        };

        struct Part
        {
            std::vector<float> positions;
            std::vector<std::uint8_t> colors;
            std::vector<AtomBlock> blocks;
            std::vector<float> bonds;
        };
        // Atoms go out block by block of blockCells^3 unit cells, so that a
        // block is compact on screen and the splat can pass over hidden ones.
        const std::uint32_t cellsI = l.getCellsI(), cellsJ = l.getCellsJ(), cellsK = l.getCellsK();
        const std::uint32_t columns = (cellsI + blockCells - 1) / blockCells;
        std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, columns, SlabSplit::poolThreadCount());
        if (slabs.empty())
            slabs.push_back(SlabSplit::Slab{0, columns});
        std::vector<Part> parts(slabs.size());
        std::atomic<unsigned long long> columnsDone{0};
        {
            // The etchers change atoms only under the write lock.
            const TotalVolume::CellsLock cells(*volume, TotalVolume::CellsLock::Read);
            SlabSplit::run(slabs, [&](std::size_t index, SlabSplit::Slab slab) {
                Part &part = parts[index];
                for (std::uint32_t bi = slab.begin; bi < slab.end; ++bi) {
                    for (std::uint32_t bj = 0; bj * blockCells < cellsJ; ++bj)
                        for (std::uint32_t bk = 0; bk * blockCells < cellsK; ++bk) {
                            AtomBlock block{part.positions.size() / 3, 0, {0, 0, 0}, {0, 0, 0}};
                            for (std::uint32_t i = bi * blockCells; i < std::min(cellsI, (bi + 1) * blockCells); ++i)
                                for (std::uint32_t j = bj * blockCells; j < std::min(cellsJ, (bj + 1) * blockCells); ++j)
                                    for (std::uint32_t k = bk * blockCells; k < std::min(cellsK, (bk + 1) * blockCells);
                                         ++k) {
                                        if (!l.inLattice(l.atomId(i, j, k, 0)))
                                            continue;
                                        for (int b = 0; b < 8; ++b) {
                                            const SiLattice::Site site{i, j, k, b};
                                            const SiLattice::AtomId atom = l.atomId(site);
                                            Util::Vector3D p;
                                            if (!shown(site, atom, p))
                                                continue;
                                            if (atomsShown) {
                                                std::uint8_t c[4] = {0, 0, 0, 255};
                                                atomColor(l.presentNeighbourCount(site), l.secondNeighbourCount(site), c);
                                                const float f[3] = {float(p.x), float(p.y), float(p.z)};
                                                part.positions.insert(part.positions.end(), f, f + 3);
                                                part.colors.insert(part.colors.end(), c, c + 4);
                                                include(block, f);
                                            }
                                            if (!linksShown || l.state(atom) != SiLattice::Silicon)
                                                continue;
                                            for (int slot = 0; slot < 4; ++slot) {
                                                SiLattice::Site to;
                                                if (!l.step(site, slot, to))
                                                    continue;
                                                const SiLattice::AtomId n = l.atomId(to);
                                                if (!l.inLattice(n))
                                                    continue;
                                                const bool whole = l.state(n) == SiLattice::Silicon;
                                                Util::Vector3D q;
                                                // The other end lists a whole bond when it is drawn and comes first.
                                                if (whole && n < atom && shown(to, n, q))
                                                    continue;
                                                q = local(l.position(to));
                                                append(part.bonds, p);
                                                append(part.bonds, whole ? q
                                                                         : Util::Vector3D((p.x + q.x) / 2, (p.y + q.y) / 2,
                                                                                          (p.z + q.z) / 2));
                                            }
                                        }
                                    }
                            if (block.count > 0)
                                part.blocks.push_back(block);
                        }
                    const unsigned long long done = ++columnsDone;
                    if (progress)
                        progress->setProgress(done, columns);
                }
            });

            std::size_t atoms = 0, bonds = 0, blocks = 0;
            for (const Part &part : parts) {
                atoms += part.positions.size();
                bonds += part.bonds.size();
                blocks += part.blocks.size();
            }
            const std::size_t boundary = atomsShown ? l.getBoundaryAtoms().size() : 0;
            built->positions.reserve(atoms + boundary * 3);
            built->colors.reserve((atoms / 3 + boundary) * 4);
            built->blocks.reserve(blocks + boundary / blockAtoms + 1);
            built->bondLines.reserve(bonds);
            for (Part &part : parts) {
                const std::size_t offset = built->atomCount();
                for (AtomBlock block : part.blocks) {
                    block.first += offset;
                    built->blocks.push_back(block);
                }
                built->positions.insert(built->positions.end(), part.positions.begin(), part.positions.end());
                built->colors.insert(built->colors.end(), part.colors.begin(), part.colors.end());
                built->bondLines.insert(built->bondLines.end(), part.bonds.begin(), part.bonds.end());
                part = Part();
            }
            if (atomsShown) {
                AtomBlock block{built->atomCount(), 0, {0, 0, 0}, {0, 0, 0}};
                for (const SiLattice::BoundaryAtom &b : l.getBoundaryAtoms()) {
                    const Util::Vector3D bond =
                        SiLattice::bondVector(SiLattice::sublattice(SiLattice::basisIndex(b.atom)), b.slot);
                    const Util::Vector3D p = local(l.position(b.atom) + bond);
                    const float f[3] = {float(p.x), float(p.y), float(p.z)};
                    built->positions.insert(built->positions.end(), f, f + 3);
                    built->colors.insert(built->colors.end(), boundaryAtomColor, boundaryAtomColor + 3);
                    built->colors.push_back(255);
                    include(block, f);
                    if (block.count == blockAtoms) {
                        built->blocks.push_back(block);
                        block = AtomBlock{built->atomCount(), 0, {0, 0, 0}, {0, 0, 0}};
                    }
                }
                if (block.count > 0)
                    built->blocks.push_back(block);
                built->boundaryAtomCount = boundary;
            }
        }
    }
    built->revision = ++revision;
    // Declared first, so the old build is freed after the unlock (unless a
    // draw still holds it).
    std::shared_ptr<const AtomGeometry> old;
    QMutexLocker locker(&mutex);
    old = std::move(atomGeometry);
    atomGeometry = std::move(built);
}

void AtomicRenderer::buildUnitCells()
{
    qCDebug(lcView) << "Building unit cells";
    std::vector<float> mesh;
    std::vector<float> outlines;
    std::vector<float> positions;
    const std::shared_ptr<SiLattice> lattice = volume->getSiLattice();
    if (lattice && (renderUnitCells || renderUnitCellOutlines)) {
        const double unit = lattice->getUnitLength();
        std::vector<Util::Vector3D> box = lattice->getUnitCellCorners();
        for (Util::Vector3D &corner : box)
            corner = Util::Vector3D(corner.x * unit, corner.y * unit, corner.z * unit);
        for (const auto &t : boxTriangles)
            for (const int c : t)
                append(mesh, box[std::size_t(c)]);
        for (std::uint32_t i = 0; i < lattice->getCellsI(); ++i)
            for (std::uint32_t j = 0; j < lattice->getCellsJ(); ++j)
                for (std::uint32_t k = 0; k < lattice->getCellsK(); ++k) {
                    const SiLattice::AtomId first = lattice->atomId(i, j, k, 0);
                    if (!lattice->inLattice(first))
                        continue;
                    const Util::Vector3D s = lattice->position(first);
                    const Util::Vector3D p(s.x * unit, s.y * unit, s.z * unit);
                    if (!passes(p.x, p.y, p.z))
                        continue;
                    append(positions, p);
                    for (const auto &face : boxFaces)
                        for (const int c : face) {
                            const Util::Vector3D &d = box[std::size_t(c)];
                            append(outlines, Util::Vector3D(p.x + d.x, p.y + d.y, p.z + d.z));
                        }
                }
    }
    QMutexLocker locker(&mutex);
    unitCellMesh.swap(mesh);
    unitCellOutlines.swap(outlines);
    unitCellPositions.swap(positions);
    ++revision;
}

std::shared_ptr<const AtomicRenderer::AtomGeometry> AtomicRenderer::getAtomGeometry() const
{
    QMutexLocker locker(&mutex);
    return atomGeometry;
}

std::vector<AtomicRenderer::Atom> AtomicRenderer::copyAtoms(bool boundary) const
{
    const std::shared_ptr<const AtomGeometry> g = getAtomGeometry();
    const std::size_t total = g->atomCount();
    const std::size_t first = boundary ? total - g->boundaryAtomCount : 0;
    const std::size_t last = boundary ? total : total - g->boundaryAtomCount;
    std::vector<Atom> out;
    out.reserve(last - first);
    for (std::size_t a = first; a < last; ++a) {
        Atom atom;
        std::copy(&g->positions[a * 3], &g->positions[a * 3] + 3, atom.position);
        std::copy(&g->colors[a * 4], &g->colors[a * 4] + 3, atom.color);
        out.push_back(atom);
    }
    return out;
}

std::vector<AtomicRenderer::Atom> AtomicRenderer::getAtoms() const
{
    return copyAtoms(false);
}

std::vector<AtomicRenderer::Atom> AtomicRenderer::getBoundaryAtoms() const
{
    return copyAtoms(true);
}

std::vector<float> AtomicRenderer::getBondLines() const
{
    return getAtomGeometry()->bondLines;
}

std::vector<float> AtomicRenderer::getUnitCellOutlines() const
{
    QMutexLocker locker(&mutex);
    return unitCellOutlines;
}

std::vector<float> AtomicRenderer::getUnitCellMesh() const
{
    QMutexLocker locker(&mutex);
    return unitCellMesh;
}

std::vector<float> AtomicRenderer::getUnitCellPositions() const
{
    QMutexLocker locker(&mutex);
    return unitCellPositions;
}

} // namespace Automaton
} // namespace Model

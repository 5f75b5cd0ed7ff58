#include "AtomicRenderer.h"

#include "ClipPlaneList.h"
#include "SiLattice.h"
#include "TotalVolume.h"
#include "Util/Logging.h"

#include <QMutexLocker>

#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace Model {
namespace Automaton {

namespace {

using Point = std::array<double, 3>;

Point unit(const Point &p)
{
    const double l = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    return Point{p[0] / l, p[1] / l, p[2] / l};
}

std::vector<float> makeSphere()
{
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Point> points = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                 {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                 {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (Point &p : points)
        p = unit(p);
    std::vector<std::array<int, 3>> faces = {
        {0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8},
        {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}};
    for (int level = 0; level < 2; ++level) {
        std::map<std::pair<int, int>, int> middle;
        auto midpoint = [&](int a, int b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            const auto found = middle.find(key);
            if (found != middle.end())
                return found->second;
            const Point &p = points[std::size_t(a)];
            const Point &q = points[std::size_t(b)];
            points.push_back(unit(Point{p[0] + q[0], p[1] + q[1], p[2] + q[2]}));
            return middle[key] = int(points.size() - 1);
        };
        std::vector<std::array<int, 3>> finer;
        for (const auto &f : faces) {
            const int ab = midpoint(f[0], f[1]);
            const int bc = midpoint(f[1], f[2]);
            const int ca = midpoint(f[2], f[0]);
            finer.push_back({f[0], ab, ca});
            finer.push_back({f[1], bc, ab});
            finer.push_back({f[2], ca, bc});
            finer.push_back({ab, bc, ca});
        }
        faces.swap(finer);
    }
    std::vector<float> mesh;
    mesh.reserve(faces.size() * 18);
    for (const auto &f : faces)
        for (const int v : f)
            for (int a = 0; a < 3; ++a)
                mesh.push_back(float(points[std::size_t(v)][std::size_t(a)] * AtomicRenderer::atomRadius));
    for (const auto &f : faces)
        for (const int v : f)
            for (int a = 0; a < 3; ++a)
                mesh.push_back(float(points[std::size_t(v)][std::size_t(a)]));
    return mesh;
}

// Triangles of the unit-cell box over its eight corners.
constexpr int boxTriangles[12][3] = {{0, 1, 2}, {1, 3, 2}, {2, 6, 4}, {2, 4, 0}, {1, 0, 4}, {1, 4, 5},
                                     {3, 6, 2}, {6, 3, 7}, {3, 1, 7}, {7, 1, 5}, {6, 7, 5}, {6, 5, 4}};
// The six faces of the box as loops of four corners.
constexpr int boxFaces[6][4] = {{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 1, 3, 2},
                                {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}};

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
    : volume(v), clipPlanes(planes)
{
}

const std::vector<float> &AtomicRenderer::sphereMesh()
{
    static const std::vector<float> mesh = makeSphere();
    return mesh;
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

void AtomicRenderer::buildAtoms()
{
    qCDebug(lcView) << "Building atoms";
    std::vector<Atom> builtAtoms;
    std::vector<Atom> builtBoundary;
    std::vector<float> builtBonds;
    const std::shared_ptr<SiLattice> lattice = volume->getSiLattice();
    const bool atomsShown = renderAtoms;
    const bool linksShown = renderLinks;
    const bool surfaceOnly = surfaceAtomsOnly;
    if (lattice && (atomsShown || linksShown)) {
        // The lattice is in lattice units from the volume's corner; the
        // drawing is in micrometres from it.
        const double unit = lattice->getUnitLength();
        atomScale = float(unit);
        auto local = [unit](const Util::Vector3D &p) {
            return Util::Vector3D(p.x * unit, p.y * unit, p.z * unit);
        };
        for (std::uint32_t i = 0; i < lattice->getCellsI(); ++i)
            for (std::uint32_t j = 0; j < lattice->getCellsJ(); ++j)
                for (std::uint32_t k = 0; k < lattice->getCellsK(); ++k) {
                    if (!lattice->inLattice(lattice->atomId(i, j, k, 0)))
                        continue;
                    for (int b = 0; b < 8; ++b) {
                        const SiLattice::AtomId atom = lattice->atomId(i, j, k, b);
                        const SiLattice::State state = lattice->state(atom);
                        if (state == SiLattice::Absent)
                            continue;
                        if (surfaceOnly && !lattice->hasOpenBond(atom))
                            continue;
                        const Util::Vector3D p = local(lattice->position(atom));
                        if (!passes(p.x, p.y, p.z))
                            continue;
                        if (atomsShown) {
                            Atom a{{float(p.x), float(p.y), float(p.z)}, {0, 0, 0}};
                            atomColor(lattice->presentNeighbourCount(atom), lattice->secondNeighbourCount(atom),
                                      a.color);
                            builtAtoms.push_back(a);
                        }
                        if (!linksShown || state != SiLattice::Silicon)
                            continue;
                        for (int slot = 0; slot < 4; ++slot) {
                            const SiLattice::AtomId n = lattice->neighbour(atom, slot);
                            if (n == SiLattice::noAtom)
                                continue;
                            const Util::Vector3D q = local(lattice->position(n));
                            const bool whole = lattice->state(n) == SiLattice::Silicon;
                            append(builtBonds, p);
                            append(builtBonds, whole ? q
                                                     : Util::Vector3D((p.x + q.x) / 2, (p.y + q.y) / 2,
                                                                      (p.z + q.z) / 2));
                        }
                    }
                }
        if (atomsShown) {
            for (const SiLattice::BoundaryAtom &boundary : lattice->getBoundaryAtoms()) {
                const Util::Vector3D bond = SiLattice::bondVector(
                    SiLattice::sublattice(SiLattice::basisIndex(boundary.atom)), boundary.slot);
                const Util::Vector3D p = local(lattice->position(boundary.atom) + bond);
                Atom a{{float(p.x), float(p.y), float(p.z)}, {0, 0, 0}};
                std::copy(boundaryAtomColor, boundaryAtomColor + 3, a.color);
                builtBoundary.push_back(a);
            }
        }
    }
    QMutexLocker locker(&mutex);
    atoms.swap(builtAtoms);
    boundaryAtoms.swap(builtBoundary);
    bondLines.swap(builtBonds);
    ++revision;
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

std::vector<AtomicRenderer::Atom> AtomicRenderer::getAtoms() const
{
    QMutexLocker locker(&mutex);
    return atoms;
}

std::vector<AtomicRenderer::Atom> AtomicRenderer::getBoundaryAtoms() const
{
    QMutexLocker locker(&mutex);
    return boundaryAtoms;
}

std::vector<float> AtomicRenderer::getBondLines() const
{
    QMutexLocker locker(&mutex);
    return bondLines;
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

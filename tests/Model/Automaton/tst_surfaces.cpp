#include "Model/Automaton/AtomicRenderer.h"
#include "Model/Automaton/CellRange.h"
#include "Model/Automaton/ExposedSurface.h"
#include "Model/Automaton/MarchingCubeSurface.h"
#include "Model/Automaton/MarchingCubeTables.h"
#include "Model/Automaton/MaterialColorTable.h"
#include "Model/Automaton/OctreeSurface.h"
#include "Model/Automaton/SiLattice.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/IProgress.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>

using namespace Model::Automaton;
using Model::Geometry::QuadFace;
using Model::Geometry::QuadFaceList;
using Model::Materials::Material;
using Model::Materials::MaterialFactory;

namespace {

constexpr std::uint32_t Si = 1, Other = 2, GlassA = 911, GlassB = 912;

// A cube of n^3 cells filled by a rule on (x, y, z).
struct Cells
{
    std::uint32_t n[3];
    std::vector<Voxel> cells;

    Cells(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
          const std::function<std::uint32_t(std::uint32_t, std::uint32_t, std::uint32_t)> &rule)
        : n{nx, ny, nz}, cells(std::size_t(nx) * ny * nz)
    {
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y)
                for (std::uint32_t z = 0; z < nz; ++z)
                    cells[(std::size_t(x) * ny + y) * nz + z].material = rule(x, y, z);
    }
    std::uint32_t at(long x, long y, long z) const
    {
        if (x < 0 || y < 0 || z < 0 || x >= long(n[0]) || y >= long(n[1]) || z >= long(n[2]))
            return 0;
        return cells[(std::size_t(x) * n[1] + std::size_t(y)) * n[2] + std::size_t(z)].material;
    }
    MarchingCubeSurface::Grid marchingGrid(Util::Vector3D origin = Util::Vector3D(), float s = 1.0f) const
    {
        return MarchingCubeSurface::Grid{cells.data(), {n[0], n[1], n[2]}, {s, s, s}, origin};
    }
    OctreeSurface::Grid octreeGrid() const
    {
        return OctreeSurface::Grid{cells.data(), {n[0], n[1], n[2]}, {1, 1, 1}};
    }
    CellRange whole() const { return CellRange::whole(n[0], n[1], n[2]); }
};

Cells randomCells(std::uint32_t size, quint32 seed, int percent, std::uint32_t materials = 1)
{
    QRandomGenerator random(seed);
    return Cells(size, size, size, [&](std::uint32_t, std::uint32_t, std::uint32_t) {
        return int(random.bounded(100)) < percent ? 1 + random.bounded(materials) : 0u;
    });
}

// Every edge of a closed, consistently turned surface is used once in each direction.
bool isClosed(const std::vector<Triangle> &triangles)
{
    using Key = std::array<float, 3>;
    std::map<std::pair<Key, Key>, int> directed;
    for (const Triangle &t : triangles) {
        for (int v = 0; v < 3; ++v) {
            const float *a = t.vertices[v].position;
            const float *b = t.vertices[(v + 1) % 3].position;
            ++directed[{Key{a[0], a[1], a[2]}, Key{b[0], b[1], b[2]}}];
        }
    }
    for (const auto &edge : directed) {
        const auto reverse = directed.find({edge.first.second, edge.first.first});
        if (edge.second != 1 || reverse == directed.end() || reverse->second != 1)
            return false;
    }
    return true;
}

// Enclosed volume by the divergence theorem (positive for outward normals).
double enclosedVolume(const std::vector<Triangle> &triangles)
{
    double sum = 0;
    for (const Triangle &t : triangles) {
        const float *a = t.vertices[0].position;
        const float *b = t.vertices[1].position;
        const float *c = t.vertices[2].position;
        sum += a[0] * (double(b[1]) * c[2] - double(b[2]) * c[1]) - a[1] * (double(b[0]) * c[2] - double(b[2]) * c[0])
               + a[2] * (double(b[0]) * c[1] - double(b[1]) * c[0]);
    }
    return sum / 6.0;
}

double faceArea(const QuadFace &f)
{
    double extent[3];
    for (int a = 0; a < 3; ++a) {
        float lo = f.vertices[0][a], hi = lo;
        for (int k = 1; k < 4; ++k) {
            lo = std::min(lo, f.vertices[k][a]);
            hi = std::max(hi, f.vertices[k][a]);
        }
        extent[a] = double(hi) - lo;
    }
    return extent[0] == 0 ? extent[1] * extent[2] : extent[1] == 0 ? extent[0] * extent[2] : extent[0] * extent[1];
}

// Neighbour steps in face order -z, +z, -y, +y, -x, +x.
const int step[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};

// Cell-face area per normal direction (-z, +z, -y, +y, -x, +x) of the faces
// of filled cells that touch an empty cell or the range's outside.
std::array<double, 6> exposedArea(const Cells &c, const CellRange &r)
{
    std::array<double, 6> area{};
    auto inRange = [&](long x, long y, long z) {
        return x >= long(r.lower[0]) && x < long(r.upper[0]) && y >= long(r.lower[1]) && y < long(r.upper[1])
               && z >= long(r.lower[2]) && z < long(r.upper[2]);
    };
    for (long x = r.lower[0]; x < long(r.upper[0]); ++x)
        for (long y = r.lower[1]; y < long(r.upper[1]); ++y)
            for (long z = r.lower[2]; z < long(r.upper[2]); ++z) {
                if (c.at(x, y, z) == 0)
                    continue;
                for (int f = 0; f < 6; ++f) {
                    const long p[3] = {x + step[f][0], y + step[f][1], z + step[f][2]};
                    if (!inRange(p[0], p[1], p[2]) || c.at(p[0], p[1], p[2]) == 0)
                        area[std::size_t(f)] += 1;
                }
            }
    return area;
}

std::array<double, 6> areaByNormal(const QuadFaceList &faces)
{
    std::array<double, 6> area{};
    for (const QuadFace &f : faces) {
        for (int d = 0; d < 6; ++d) {
            if (std::equal(f.normal, f.normal + 3, QuadFace::faceNormals[d]))
                area[std::size_t(d)] += faceArea(f);
        }
    }
    return area;
}

// Every atom slot, absent atoms too, of the unit cells that hold silicon.
std::vector<SiLattice::AtomId> latticeAtoms(const SiLattice &lattice)
{
    std::vector<SiLattice::AtomId> atoms;
    for (std::uint32_t i = 0; i < lattice.getCellsI(); ++i)
        for (std::uint32_t j = 0; j < lattice.getCellsJ(); ++j)
            for (std::uint32_t k = 0; k < lattice.getCellsK(); ++k)
                for (int b = 0; b < 8; ++b)
                    if (lattice.inLattice(lattice.atomId(i, j, k, b)))
                        atoms.push_back(lattice.atomId(i, j, k, b));
    return atoms;
}

MaterialColorTable catalogueColors()
{
    MaterialColorTable table;
    table.refillFromCatalogue();
    return table;
}

} // namespace

class TestSurfaces : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { QThreadPool::globalInstance()->setMaxThreadCount(savedThreads); }

    void cornerCaseTriangle();
    void closedSurfaces_data();
    void closedSurfaces();
    void sameForAnyThreadCount();
    void farCornerNormalsStayApart();
    void solidsInSceneUnits();

    void octreeCollapse_data();
    void octreeCollapse();
    void octreeAgainstExposedFaces_data();
    void octreeAgainstExposedFaces();
    void octreeRecolourShiftsOnce();
    void exposedFacesPerMaterial_data();
    void exposedFacesPerMaterial();

    void bondsListedOnce_data();
    void bondsListedOnce();
    void atomsSitInTheirCells_data();
    void atomsSitInTheirCells();

private:
    int savedThreads = 1;
};

void TestSurfaces::initTestCase()
{
    savedThreads = QThreadPool::globalInstance()->maxThreadCount();
    const float glassA[4] = {0.2f, 0.4f, 0.9f, 0.5f};
    const float glassB[4] = {0.9f, 0.4f, 0.2f, 0.5f};
    MaterialFactory::getInstance()->addMaterial(Material(GlassA, QStringLiteral("glass a"), 1, 1, 0.1f, glassA));
    MaterialFactory::getInstance()->addMaterial(Material(GlassB, QStringLiteral("glass b"), 1, 1, 0.1f, glassB));
}

// The tables are derived from the corner and edge numbering, not copied:
// corner 0 alone must still give the classic triangle on edges 0, 8, 3, and
// empty and full cubes no edge at all.
void TestSurfaces::cornerCaseTriangle()
{
    const MarchingCubeTables &tables = MarchingCubeTables::instance();
    const std::int8_t *row = tables.triangles(1);
    QCOMPARE((QVector<int>{row[0], row[1], row[2], row[3]}), (QVector<int>{0, 8, 3, -1}));
    QCOMPARE(int(tables.edgeMask(1)), (1 << 0) | (1 << 3) | (1 << 8));
    QCOMPARE(int(tables.edgeMask(0)), 0);
    QCOMPARE(int(tables.edgeMask(255)), 0);
}

// Surfaces close on their own and at the range's faces: every edge is shared
// by two triangles turned opposite ways, and the enclosed volume is positive.
void TestSurfaces::closedSurfaces_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("triangles"); // -1: any number above 0
    QTest::addColumn<double>("volume"); // enclosed volume, 1 % tolerance; -1: not checked
    QTest::newRow("empty") << 0 << 0 << -1.0;
    QTest::newRow("single cell: one triangle per corner cube") << 1 << 8 << -1.0;
    QTest::newRow("20 x 20 x 20 box") << 2 << -1 << 8000.0;
    QTest::newRow("two materials filling it: its outer skin, no inner surface") << 3 << -1 << 4096.0;
    QTest::newRow("random cells of three materials") << 4 << -1 << -1.0;
}

void TestSurfaces::closedSurfaces()
{
    QFETCH(int, kind);
    QFETCH(int, triangles);
    QFETCH(double, volume);
    const std::vector<Cells> volumes = {
        Cells(8, 8, 8, [](std::uint32_t, std::uint32_t, std::uint32_t) { return 0u; }),
        Cells(5, 5, 5, [](std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x == 2 && y == 2 && z == 2 ? Si : 0u; }),
        Cells(24, 24, 24, [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
            return x >= 2 && x < 22 && y >= 2 && y < 22 && z >= 2 && z < 22 ? Si : 0u;
        }),
        Cells(16, 16, 16, [](std::uint32_t x, std::uint32_t, std::uint32_t) { return x < 7 ? Si : Other; }),
        randomCells(12, 8, 50, 3),
    };
    const Cells &c = volumes[std::size_t(kind)];
    const std::vector<Triangle> surface = MarchingCubeSurface::buildSurface(c.marchingGrid(), c.whole(), 2);
    if (triangles >= 0)
        QCOMPARE(int(surface.size()), triangles);
    else
        QVERIFY(!surface.empty());
    QVERIFY(isClosed(surface));
    if (!surface.empty())
        QVERIFY(enclosedVolume(surface) > 0);
    if (volume > 0)
        QVERIFY2(std::abs(enclosedVolume(surface) - volume) <= 0.01 * volume,
                 qPrintable(QString::number(enclosedVolume(surface))));
    for (const Triangle &t : surface)
        for (const Triangle::Vertex &v : t.vertices)
            QVERIFY(std::abs(std::sqrt(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2]) - 1) < 1e-5
                    || (v.normal[0] == 0 && v.normal[1] == 0 && v.normal[2] == 0));
}

namespace {
struct ProgressRecord : Util::IProgress
{
    void setProgress(unsigned long long done, unsigned long long all) override
    {
        const std::lock_guard<std::mutex> locker(mutex);
        highestDone = std::max(highestDone, done);
        total = all;
    }
    // A plain mutex: the thread sanitizer sees it, not Qt's.
    std::mutex mutex;
    unsigned long long highestDone = 0, total = 0;
};
} // namespace

void TestSurfaces::sameForAnyThreadCount()
{
    const Cells c = randomCells(23, 11, 45, 2);
    CellRange cut{{{2, 1, 3}}, {{21, 20, 19}}};
    const std::vector<Triangle> one = MarchingCubeSurface::buildSurface(c.marchingGrid(), cut, 1);
    QVERIFY(!one.empty());
    const MaterialColorTable colors = catalogueColors();
    const OctreeSurface::Result tree = OctreeSurface::buildTree(c.octreeGrid(), cut, colors, 1);
    for (const int threads : {2, 3, 7, 40}) {
        // The status bar follows both builds to their end from the pool's threads.
        ProgressRecord marching, octree;
        const std::vector<Triangle> many = MarchingCubeSurface::buildSurface(c.marchingGrid(), cut, threads, &marching);
        QCOMPARE(many.size(), one.size());
        QVERIFY(std::memcmp(many.data(), one.data(), one.size() * sizeof(Triangle)) == 0);
        const OctreeSurface::Result other = OctreeSurface::buildTree(c.octreeGrid(), cut, colors, threads, &octree);
        for (const ProgressRecord *record : {&marching, &octree}) {
            QVERIFY(record->total > 0);
            QCOMPARE(record->highestDone, record->total);
        }
        QVERIFY(other.opaque == tree.opaque);
        QVERIFY(other.transparent == tree.transparent);
        QCOMPARE(other.nodes.size(), tree.nodes.size());
    }
}

// A cell in the far corner shares no smoothing key with one at the near
// corner: every normal points away from its own cell.
void TestSurfaces::farCornerNormalsStayApart()
{
    for (const std::uint32_t n : {3u, 4u, 6u}) {
        const Cells c(n, n, n, [n](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
            return (x == 0 && y == 0 && z == 0) || (x == n - 1 && y == n - 1 && z == n - 1) ? Si : 0u;
        });
        const std::vector<Triangle> surface = MarchingCubeSurface::buildSurface(c.marchingGrid(), c.whole(), 1);
        QCOMPARE(int(surface.size()), 16);
        for (const Triangle &t : surface)
            for (const Triangle::Vertex &v : t.vertices) {
                const double centre = v.position[0] < n / 2.0 ? 0.5 : n - 0.5;
                double d = 0;
                for (int a = 0; a < 3; ++a)
                    d += (v.position[a] - centre) * v.normal[a];
                QVERIFY2(d > 0.1, qPrintable(QStringLiteral("n %1").arg(n)));
            }
    }
}

void TestSurfaces::solidsInSceneUnits()
{
    const Cells c = randomCells(10, 5, 55, 2);
    const Util::Vector3D origin(10, -4, 2.5);
    double total = 0;
    for (const std::uint32_t m : {1u, 2u}) {
        const std::vector<Triangle> solid = MarchingCubeSurface::buildSolid(c.marchingGrid(origin, 0.5f), m, 3);
        QVERIFY(isClosed(solid));
        total += enclosedVolume(solid);
        for (const Triangle &t : solid)
            for (const Triangle::Vertex &v : t.vertices) {
                QCOMPARE(v.material, m);
                QVERIFY(v.position[0] >= 10 && v.position[0] <= 15);
                QVERIFY(v.position[1] >= -4 && v.position[1] <= 1);
                QVERIFY(v.position[2] >= 2.5 && v.position[2] <= 7.5);
            }
    }
    QVERIFY(total > 0);
    QVERIFY(MarchingCubeSurface::buildSolid(c.marchingGrid(), 7, 2).empty());
}

void TestSurfaces::octreeCollapse_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("nodes");
    QTest::addColumn<int>("innerNodes");
    QTest::addColumn<int>("rootSize");
    QTest::addColumn<int>("opaqueFaces");
    QTest::newRow("uniform 16 block: one leaf, six faces") << 0 << 1 << 0 << 16 << 6;
    QTest::newRow("one differing cell splits its branch only") << 1 << 33 << 4 << 16 << -1;
    QTest::newRow("5-wide range: root of 8") << 2 << -1 << -1 << 8 << -1;
    QTest::newRow("1-cell range: root of 1") << 3 << 1 << 0 << 1 << 6;
}

void TestSurfaces::octreeCollapse()
{
    QFETCH(int, kind);
    QFETCH(int, nodes);
    QFETCH(int, innerNodes);
    QFETCH(int, rootSize);
    QFETCH(int, opaqueFaces);
    const Cells uniform(16, 16, 16, [](std::uint32_t, std::uint32_t, std::uint32_t) { return Si; });
    const Cells odd(16, 16, 16, [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
        return x == 5 && y == 9 && z == 14 ? Other : Si;
    });
    const Cells *c = kind == 1 ? &odd : &uniform;
    CellRange range = c->whole();
    if (kind == 2)
        range = CellRange{{{3, 3, 3}}, {{8, 6, 7}}};
    if (kind == 3)
        range = CellRange{{{4, 4, 4}}, {{5, 5, 5}}};
    const OctreeSurface::Result tree = OctreeSurface::buildTree(c->octreeGrid(), range, catalogueColors(), 2);
    QCOMPARE(int(tree.nodes[0].size), rootSize);
    if (nodes >= 0)
        QCOMPARE(int(tree.nodes.size()), nodes);
    if (innerNodes >= 0) {
        int inner = 0;
        for (const OctreeNode &n : tree.nodes)
            inner += !n.isLeaf();
        QCOMPARE(inner, innerNodes);
    }
    if (opaqueFaces >= 0)
        QCOMPARE(int(tree.opaque.size()), opaqueFaces);
    if (kind == 1) {
        // The split chain leads to the odd cell; every other leaf is silicon.
        for (const OctreeNode &n : tree.nodes) {
            if (!n.isLeaf())
                QVERIFY(5 >= n.origin[0] && 5 < n.origin[0] + n.size && 9 >= n.origin[1] && 9 < n.origin[1] + n.size);
            else if (n.size == 1 && n.origin[0] == 5 && n.origin[1] == 9 && n.origin[2] == 14)
                QCOMPARE(n.material, std::uint32_t(Other));
            else
                QCOMPARE(n.material, std::uint32_t(Si));
        }
    }
}

// The octree shows exactly the exposed cell faces: per direction the face
// areas equal a plain count over every cell, so no face is missing, shown
// twice or shown whole where only part of it is exposed.
void TestSurfaces::octreeAgainstExposedFaces_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<bool>("transparent");
    QTest::newRow("sparse 16") << 0 << false << false;
    QTest::newRow("dense 16, two materials") << 1 << false << false;
    QTest::newRow("half full 13, cut range") << 2 << true << false;
    QTest::newRow("5 wide") << 3 << false << false;
    QTest::newRow("large leaf beside 32 small empty and 32 filled ones") << 4 << false << false;
    QTest::newRow("two transparent materials side by side: their outer skin") << 5 << false << true;
}

void TestSurfaces::octreeAgainstExposedFaces()
{
    QFETCH(int, kind);
    QFETCH(bool, cut);
    QFETCH(bool, transparent);
    // Random cells around a block of one material (a large leaf next to small ones).
    const auto blocky = [](std::uint32_t size, int percent, std::uint32_t materials) {
        Cells c = randomCells(size, quint32(size * 100 + std::uint32_t(percent)), percent, materials);
        for (std::uint32_t x = 0; x < size / 2; ++x)
            for (std::uint32_t y = 0; y < size / 2; ++y)
                for (std::uint32_t z = 0; z < size / 2; ++z)
                    c.cells[(std::size_t(x) * c.n[1] + y) * c.n[2] + z].material = Si;
        return c;
    };
    const std::vector<Cells> volumes = {
        blocky(16, 10, 1), blocky(16, 80, 2), blocky(13, 50, 3), blocky(5, 60, 1),
        Cells(16, 16, 16, [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
            if (x < 8 && y < 8 && z < 8)
                return Si;
            return x == 8 && y < 8 && z < 8 && (y + z) % 2 == 0 ? Other : 0u;
        }),
        Cells(8, 8, 8, [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
            return y < 4 && z < 4 ? std::uint32_t(x < 4 ? GlassA : GlassB) : 0u;
        }),
    };
    const Cells &c = volumes[std::size_t(kind)];
    const CellRange range = cut ? CellRange{{{1, 2, 0}}, {{12, 11, 13}}} : c.whole();
    const OctreeSurface::Result tree = OctreeSurface::buildTree(c.octreeGrid(), range, catalogueColors(), 3);
    QVERIFY((transparent ? tree.opaque : tree.transparent).empty());
    QCOMPARE(areaByNormal(transparent ? tree.transparent : tree.opaque), exposedArea(c, range));
}

void TestSurfaces::octreeRecolourShiftsOnce()
{
    std::vector<std::uint32_t> ids(4 * 4 * 4, 0);
    ids[(1 * 4 + 1) * 4 + 1] = Si;
    TotalVolume volume(4, 4, 4, 1, 1, 1, Util::Vector3D(), ids);
    TotalVolumePainter &painter = volume.getPainter();
    painter.setSurfaceAlgorithm(TotalVolumePainter::Octree);
    painter.rebuild();
    QCOMPARE(int(painter.getOctreeSurface().getOpaqueFaceCount()), 6);
    const MaterialColorTable colors = catalogueColors();
    float shifted[4];
    MaterialColorTable::highlight(colors.color(Si), shifted);
    volume.setSelected(true);
    painter.updateColors();
    painter.updateColors();
    for (const QuadFace &f : painter.getOctreeSurface().getOpaqueFaces())
        QVERIFY(std::equal(f.color, f.color + 4, shifted) && std::equal(f.outlineColor, f.outlineColor + 4, shifted));
    volume.setSelected(false);
    painter.updateColors();
    for (const QuadFace &f : painter.getOctreeSurface().getOpaqueFaces())
        QVERIFY(std::equal(f.color, f.color + 4, colors.color(Si)));
}

void TestSurfaces::exposedFacesPerMaterial_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("one cell in the middle") << 0;
    QTest::newRow("full block: nothing exposed") << 1;
    QTest::newRow("tie goes to the lower id") << 2;
    QTest::newRow("random, sparse") << 3;
    QTest::newRow("random, dense, fewer columns than slabs") << 4;
}

// The faces of each material that meet an empty cell, against a count over
// every face of every cell (outside the volume counts as solid: no open
// space reaches it), on one thread and on four.
void TestSurfaces::exposedFacesPerMaterial()
{
    QFETCH(int, kind);
    QRandomGenerator random(11);
    const auto randomIds = [&random](int emptyPercent) {
        return [&random, emptyPercent](std::uint32_t, std::uint32_t, std::uint32_t) {
            return int(random.bounded(100)) < emptyPercent ? 0u : 1 + random.bounded(4u);
        };
    };
    const std::vector<Cells> volumes = {
        Cells(3, 3, 3, [](std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x == 1 && y == 1 && z == 1 ? 7u : 0u; }),
        Cells(4, 3, 2, [](std::uint32_t, std::uint32_t, std::uint32_t) { return 2u; }),
        Cells(1, 1, 3, [](std::uint32_t, std::uint32_t, std::uint32_t z) { return z == 0 ? 5u : z == 1 ? 0u : 2u; }),
        Cells(9, 7, 8, randomIds(70)),
        Cells(3, 11, 10, randomIds(20)),
    };
    const Cells &c = volumes[std::size_t(kind)];
    std::map<std::uint32_t, std::uint64_t> expected;
    for (long x = 0; x < long(c.n[0]); ++x)
        for (long y = 0; y < long(c.n[1]); ++y)
            for (long z = 0; z < long(c.n[2]); ++z)
                for (const auto &d : step) {
                    const long p[3] = {x + d[0], y + d[1], z + d[2]};
                    const bool inside = p[0] >= 0 && p[1] >= 0 && p[2] >= 0 && p[0] < long(c.n[0])
                                        && p[1] < long(c.n[1]) && p[2] < long(c.n[2]);
                    if (c.at(x, y, z) != 0 && inside && c.at(p[0], p[1], p[2]) == 0)
                        ++expected[c.at(x, y, z)];
                }
    std::uint32_t dominant = 0;
    for (const auto &[material, faces] : expected)
        if (faces > (dominant ? expected[dominant] : 0))
            dominant = material;

    std::vector<std::uint32_t> ids(c.cells.size());
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = c.cells[i].material;
    TotalVolume volume(c.n[0], c.n[1], c.n[2], 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    for (const int threads : {1, 4})
        QVERIFY2(ExposedSurface::faceCounts(volume, threads) == expected, qPrintable(QString::number(threads)));
    QCOMPARE(ExposedSurface::dominantMaterial(volume), dominant);
}

void TestSurfaces::bondsListedOnce_data()
{
    QTest::addColumn<bool>("surfaceOnly");
    QTest::addColumn<bool>("cut");
    QTest::newRow("whole lattice") << false << false;
    QTest::newRow("surface atoms only") << true << false;
    QTest::newRow("cut range") << false << true;
    QTest::newRow("cut range, surface atoms only") << true << true;
}

// Against the lattice, bond by bond: a bond between two silicon atoms is
// drawn once when either end is drawn (whichever end the cut or the surface
// rule keeps), a bond to any other atom once as a half line from each drawn
// silicon end, and nothing else.
void TestSurfaces::bondsListedOnce()
{
    QFETCH(bool, surfaceOnly);
    QFETCH(bool, cut);
    std::vector<std::uint32_t> ids(5 * 4 * 4, Si);
    for (std::uint32_t y = 1; y < 3; ++y)
        ids[(std::size_t(2) * 4 + y) * 4 + 3] = 0; // a pit in the top
    ids[(std::size_t(4) * 4 + 3) * 4 + 1] = 3;     // a cell of another material
    TotalVolume volume(5, 4, 4, 1, 1, 1, Util::Vector3D(1, -2, 0), ids);
    volume.rebuildSiLattice();
    const std::shared_ptr<SiLattice> lattice = volume.getSiLattice();
    TotalVolumePainter &painter = volume.getPainter();
    painter.setRenderLinks(true);
    painter.setSurfaceAtomsOnly(surfaceOnly);
    const CellRange range = cut ? CellRange{{{1, 0, 0}}, {{3, 4, 3}}} : CellRange::whole(5, 4, 4);
    painter.setLimits(range);
    painter.rebuild();

    using Point = std::array<float, 3>;
    using Segment = std::pair<Point, Point>;
    auto segment = [](Point a, Point b) { return a < b ? Segment(a, b) : Segment(b, a); };
    auto point = [&](SiLattice::AtomId a) {
        const Util::Vector3D p = lattice->position(a);
        return Point{float(p.x), float(p.y), float(p.z)};
    };
    auto drawn = [&](SiLattice::AtomId a) {
        const Point p = point(a);
        for (int axis = 0; axis < 3; ++axis)
            if (p[std::size_t(axis)] < range.lower[std::size_t(axis)] - 1e-6
                || p[std::size_t(axis)] > range.upper[std::size_t(axis)] + 1e-6)
                return false;
        return lattice->state(a) == SiLattice::Silicon && (!surfaceOnly || lattice->hasOpenBond(a));
    };
    std::map<Segment, int> expected;
    for (const SiLattice::AtomId a : latticeAtoms(*lattice)) {
        if (!drawn(a))
            continue;
        for (int slot = 0; slot < 4; ++slot) {
            const SiLattice::AtomId n = lattice->neighbour(a, slot);
            if (n == SiLattice::noAtom)
                continue;
            const Point p = point(a), q = point(n);
            if (lattice->state(n) == SiLattice::Silicon) {
                expected[segment(p, q)] = 1;
            } else {
                const Util::Vector3D m = 0.5 * (lattice->position(a) + lattice->position(n));
                ++expected[segment(p, Point{float(m.x), float(m.y), float(m.z)})];
            }
        }
    }
    std::map<Segment, int> built;
    const std::vector<float> lines = painter.getAtomicRenderer().getBondLines();
    for (std::size_t l = 0; l + 5 < lines.size(); l += 6)
        ++built[segment(Point{lines[l], lines[l + 1], lines[l + 2]}, Point{lines[l + 3], lines[l + 4], lines[l + 5]})];
    QVERIFY(!expected.empty());
    QCOMPARE(built.size(), expected.size());
    QVERIFY(built == expected);
}

void TestSurfaces::atomsSitInTheirCells_data()
{
    QTest::addColumn<Util::Vector3D>("cellSize");
    QTest::newRow("1 um cells") << Util::Vector3D(1, 1, 1);
    QTest::newRow("3 um cells") << Util::Vector3D(3, 3, 3);
    QTest::newRow("0.25 um cells") << Util::Vector3D(0.25, 0.25, 0.25);
    QTest::newRow("cells 1 x 2 x 0.5 um") << Util::Vector3D(1, 2, 0.5);
}

// The drawing is in micrometres from the volume's corner whatever the cell
// sizes: every atom of the lattice is drawn once, in the cell whose atoms the
// lattice counts it among (atoms outside the volume outside it), bonds are a
// quarter body diagonal of the unit cell (half that to an absent atom) and
// the unit-cell boxes are one unit on edge. Surface atoms only and a cut
// range leave atoms out.
void TestSurfaces::atomsSitInTheirCells()
{
    QFETCH(Util::Vector3D, cellSize);
    const std::uint32_t n[3] = {5, 4, 3};
    std::vector<std::uint32_t> ids(60, Si);
    for (std::size_t c = 2; c < ids.size(); c += 3)
        ids[c] = 0; // the top layer empty
    TotalVolume volume(n[0], n[1], n[2], float(cellSize.x), float(cellSize.y), float(cellSize.z),
                       Util::Vector3D(-6, 2, 1.5), ids);
    TotalVolumePainter &painter = volume.getPainter();
    const AtomicRenderer &renderer = painter.getAtomicRenderer();
    painter.rebuild();
    QVERIFY(renderer.getAtoms().empty()); // no lattice yet
    volume.rebuildSiLattice();
    const std::shared_ptr<SiLattice> lattice = volume.getSiLattice();
    const double unit = lattice->getUnitLength();
    painter.setRenderAtoms(true);
    painter.setRenderLinks(true);
    painter.setRenderUnitCells(true);
    painter.setRenderUnitCellOutlines(true);
    painter.rebuild();
    QCOMPARE(double(renderer.getAtomScale()), unit);

    // The drawn atoms by position (drawn block by block, not in id order).
    std::map<std::array<float, 3>, std::size_t> drawnAt;
    for (const AtomicRenderer::Atom &atom : renderer.getAtoms())
        ++drawnAt[{atom.position[0], atom.position[1], atom.position[2]}];
    const double size[3] = {cellSize.x, cellSize.y, cellSize.z};
    const double tolerance = 1e-5;
    const std::vector<SiLattice::AtomId> atomSlots = latticeAtoms(*lattice);
    std::size_t drawn = 0, inside = 0, open = 0;
    for (const SiLattice::AtomId a : atomSlots) {
        if (lattice->state(a) == SiLattice::Absent)
            continue;
        const Util::Vector3D at = lattice->position(a);
        const std::array<float, 3> key = {float(at.x * unit), float(at.y * unit), float(at.z * unit)};
        QVERIFY2(drawnAt[key] > 0, qPrintable(QStringLiteral("atom %1 not drawn").arg(a)));
        --drawnAt[key];
        ++drawn;
        open += lattice->hasOpenBond(a);
        const float *p = key.data();
        const std::int64_t cell = lattice->cellIndex(a);
        if (cell < 0) {
            bool within = true;
            for (int axis = 0; axis < 3; ++axis)
                within = within && p[axis] > tolerance && p[axis] < n[axis] * size[axis] - tolerance;
            QVERIFY(!within);
            continue;
        }
        ++inside;
        const std::int64_t index[3] = {cell / (n[1] * n[2]), cell / n[2] % n[1], cell % n[2]};
        for (int axis = 0; axis < 3; ++axis)
            QVERIFY2(p[axis] >= index[axis] * size[axis] - tolerance
                         && p[axis] <= (index[axis] + 1) * size[axis] + tolerance,
                     qPrintable(QStringLiteral("atom %1 drawn at %2 on axis %3, its cell is %4")
                                    .arg(a).arg(double(p[axis])).arg(axis).arg(index[axis])));
        if (lattice->state(a) == SiLattice::Silicon)
            QCOMPARE(ids[std::size_t(cell)], Si);
    }
    QCOMPARE(drawn, renderer.getAtoms().size());
    QVERIFY(inside > 0 && open > 0 && open < drawn);

    const std::vector<float> bonds = renderer.getBondLines();
    QVERIFY(!bonds.empty());
    const double bond = std::sqrt(3.0) / 4.0 * unit;
    for (std::size_t i = 0; i < bonds.size(); i += 6) {
        const double length = std::hypot(bonds[i + 3] - bonds[i], bonds[i + 4] - bonds[i + 1], bonds[i + 5] - bonds[i + 2]);
        QVERIFY(std::abs(length - bond) < 1e-4 * unit || std::abs(length - bond / 2) < 1e-4 * unit);
    }
    const std::size_t wholeCells = atomSlots.size() / 8;
    QCOMPARE(renderer.getUnitCellPositions().size(), wholeCells * 3);
    QCOMPARE(renderer.getUnitCellMesh().size(), std::size_t(12 * 3 * 3));
    // Each outline face is a loop of four corners one unit apart.
    const std::vector<float> outlines = renderer.getUnitCellOutlines();
    QCOMPARE(outlines.size(), wholeCells * 6 * 4 * 3);
    for (std::size_t i = 0; i < outlines.size(); i += 12)
        for (int corner = 0; corner < 4; ++corner) {
            const float *a = &outlines[i + std::size_t(corner) * 3];
            const float *b = &outlines[i + std::size_t((corner + 1) % 4) * 3];
            QVERIFY(std::abs(std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]) - unit) < 1e-4 * unit);
        }

    // Every atom lies in exactly one block, blocks in order, each box
    // holding its atoms; the atom build reports its columns to the end.
    const std::shared_ptr<const AtomicRenderer::AtomGeometry> g = renderer.getAtomGeometry();
    std::size_t next = 0;
    for (const AtomicRenderer::AtomBlock &b : g->blocks) {
        QCOMPARE(b.first, next);
        QVERIFY(b.count > 0);
        next += b.count;
        for (std::size_t a = b.first; a < b.first + b.count; ++a)
            for (int axis = 0; axis < 3; ++axis)
                QVERIFY(g->positions[a * 3 + std::size_t(axis)] >= b.lower[axis]
                        && g->positions[a * 3 + std::size_t(axis)] <= b.upper[axis]);
    }
    QCOMPARE(next, g->atomCount());
    ProgressRecord progress;
    painter.rebuild(&progress);
    QVERIFY(progress.total > 0);
    QCOMPARE(progress.highestDone, progress.total);

    painter.setSurfaceAtomsOnly(true);
    painter.rebuild();
    QCOMPARE(renderer.getAtoms().size(), open);
    painter.setSurfaceAtomsOnly(false);
    painter.setLimits(CellRange{{{0, 0, 0}}, {{2, 4, 3}}});
    painter.rebuild();
    const std::vector<AtomicRenderer::Atom> cut = renderer.getAtoms();
    QVERIFY(!cut.empty() && cut.size() < drawn);
    for (const AtomicRenderer::Atom &a : cut)
        QVERIFY(a.position[0] <= 2 * size[0] + tolerance);
}

QTEST_GUILESS_MAIN(TestSurfaces)
#include "tst_surfaces.moc"

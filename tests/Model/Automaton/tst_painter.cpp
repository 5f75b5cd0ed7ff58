#include "Model/Automaton/CellRange.h"
#include "Model/Automaton/CubicFaceBuilder.h"
#include "Model/Automaton/MaskOverlay.h"
#include "Model/Automaton/MaterialColorTable.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Geometry/QuadFace.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/BitVector.h"

#include <QRandomGenerator>
#include <QThreadPool>
#include <QtConcurrent>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <new>

using Model::Automaton::CellRange;
using Model::Automaton::MaterialColorTable;
using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::TotalVolumePainter;
using Model::Geometry::QuadFace;
using Model::Geometry::QuadFaceList;
using Model::Materials::Material;
using Model::Materials::MaterialFactory;

namespace {

// Test materials added to the catalogue for the run; 999 stays unknown.
enum : std::uint32_t {
    Si = 1,
    Oxide = 3,
    HalfGlass = 901, // alpha 0.5
    Haze = 902, // alpha 0.05
    NearlyOpaque = 903, // alpha 0.998
    OtherGlass = 904, // alpha 0.5
    Orange = 905, // (0.9, 0.5, 0.1, 1)
    Unknown = 999,
};

void addMaterial(std::uint32_t id, float r, float g, float b, float a)
{
    const float color[4] = {r, g, b, a};
    MaterialFactory::getInstance()->addMaterial(
        Material(id, QStringLiteral("test %1").arg(id), 1.0f, 1.0f, 0.1f, color));
}

std::array<float, 4> catalogueColor(std::uint32_t id)
{
    const Material m = MaterialFactory::getInstance()->getMaterial(id);
    if (m.getId() == 0)
        return {1.0f, 0.0f, 1.0f, 1.0f};
    const Util::Vector4D c = m.getColor();
    return {float(c.x), float(c.y), float(c.z), float(c.w)};
}

// "x,y,z=id x,y,z=id ..." -> cells of an otherwise empty volume.
std::shared_ptr<TotalVolume> makeVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
    const QString &cells = QString(), float csx = 1.0f, float csy = 1.0f, float csz = 1.0f)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
    for (const QString &item : cells.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char('='));
        const QStringList xyz = parts.at(0).split(QLatin1Char(','));
        const std::size_t i = (std::size_t(xyz[0].toUInt()) * ny + xyz[1].toUInt()) * nz + xyz[2].toUInt();
        ids.at(i) = parts.at(1).toUInt();
    }
    return std::make_shared<TotalVolume>(nx, ny, nz, csx, csy, csz, Util::Vector3D(), ids);
}

std::shared_ptr<TotalVolume> makeRandomVolume(
    quint32 seed, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    static const std::uint32_t palette[]
        = {0, 0, 0, Si, Si, Oxide, HalfGlass, Haze, NearlyOpaque, OtherGlass, Unknown};
    QRandomGenerator random(seed);
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    for (auto &id : ids)
        id = palette[random.bounded(int(std::size(palette)))];
    return std::make_shared<TotalVolume>(nx, ny, nz, 0.5f, 2.0f, 3.0f, Util::Vector3D(), ids);
}

QuadFace expectedFace(const TotalVolume &volume, const Model::Automaton::Voxel *cells, std::uint32_t x,
    std::uint32_t y, std::uint32_t z, int face, const std::array<float, 4> &color)
{
    // Corners written out per face, independently of the builder's table.
    static const int corners[6][4][3] = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},
        {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},
        {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},
        {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
    };
    static const float normals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    const std::size_t index = volume.index(x, y, z);
    QuadFace f;
    const std::uint32_t origin[3] = {x, y, z};
    const float size[3] = {volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()};
    for (int k = 0; k < 4; ++k)
        for (int a = 0; a < 3; ++a)
            f.vertices[k][a] = float(origin[a] + corners[face][k][a]) * size[a];
    f.normal = normals[face];
    f.setColors(color.data());
    f.voxel = cells + index;
    f.material = cells[index].material;
    return f;
}

// The visibility rules written as a plain loop over every cell and face.
void referenceFaces(TotalVolume &volume, const CellRange &limits, QuadFaceList &opaque,
    QuadFaceList &transparent, QuadFaceList &empty)
{
    const CellRange r = limits.clampedTo(volume.getSizeX(), volume.getSizeY(), volume.getSizeZ());
    const Model::Automaton::Voxel *cells = volume.lockCells();
    auto inRange = [&](long x, long y, long z) {
        return x >= long(r.lower[0]) && x < long(r.upper[0]) && y >= long(r.lower[1]) && y < long(r.upper[1])
            && z >= long(r.lower[2]) && z < long(r.upper[2]);
    };
    static const int dir[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    for (std::uint32_t x = r.lower[0]; x < r.upper[0]; ++x)
        for (std::uint32_t y = r.lower[1]; y < r.upper[1]; ++y)
            for (std::uint32_t z = r.lower[2]; z < r.upper[2]; ++z) {
                const std::uint32_t m = cells[volume.index(x, y, z)].material;
                for (int f = 0; f < 6; ++f) {
                    if (m == 0) {
                        empty.push_back(expectedFace(volume, cells, x, y, z, f, {0.8f, 0.8f, 0.8f, 1.0f}));
                        continue;
                    }
                    const long nx = long(x) + dir[f][0], ny = long(y) + dir[f][1], nz = long(z) + dir[f][2];
                    const bool inside = inRange(nx, ny, nz);
                    const std::uint32_t n = inside ? cells[volume.index(nx, ny, nz)].material : 0;
                    const float alpha = catalogueColor(m)[3];
                    bool hidden;
                    if (alpha < 0.997f)
                        hidden = inside && n == m && alpha > 0.1f;
                    else
                        hidden = inside && n != 0 && catalogueColor(n)[3] > 0.999f;
                    if (!hidden)
                        (alpha < 0.997f ? transparent : opaque)
                            .push_back(expectedFace(volume, cells, x, y, z, f, catalogueColor(m)));
                }
            }
    volume.unlockCells();
}

void compareLists(const QuadFaceList &actual, const QuadFaceList &expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i])
            QFAIL(qPrintable(QStringLiteral("faces differ at %1 of %2").arg(i).arg(actual.size())));
    }
}

std::array<float, 4> faceColor(const QuadFace &face)
{
    return {face.color[0], face.color[1], face.color[2], face.color[3]};
}

bool fuzzyEqual(const std::array<float, 4> &a, const std::array<float, 4> &b)
{
    for (int i = 0; i < 4; ++i)
        if (std::abs(a[i] - b[i]) > 1e-5f)
            return false;
    return true;
}

} // namespace

class TestPainter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup() { QThreadPool::globalInstance()->setMaxThreadCount(savedThreadCount); }

    void faceCounts_data();
    void faceCounts();
    void singleCellFaceOrder();
    void limitsAndClipPlanes_data();
    void limitsAndClipPlanes();
    void matchesReferenceForAnyThreadCount_data();
    void matchesReferenceForAnyThreadCount();
    void unknownMaterialGetsFallbackColour();
    void selectionHighlight_data();
    void selectionHighlight();
    void surfaceAlgorithmRebuildsOnlyOnChange();
    void slabSplit_data();
    void slabSplit();
    void slabFailureWaitsForAllAndRethrows();
    void buildWaitsForCellsLock();
    void maskOverlay_data();
    void maskOverlay();

private:
    int savedThreadCount = 0;
};

void TestPainter::initTestCase()
{
    savedThreadCount = QThreadPool::globalInstance()->maxThreadCount();
    // The built-in table exactly, whatever an earlier run left in materials.xml.
    MaterialFactory::getInstance()->loadDefaultMaterials();
    addMaterial(HalfGlass, 0.2f, 0.4f, 0.9f, 0.5f);
    addMaterial(Haze, 0.9f, 0.9f, 0.9f, 0.05f);
    addMaterial(NearlyOpaque, 0.3f, 0.6f, 0.3f, 0.998f);
    addMaterial(OtherGlass, 0.9f, 0.2f, 0.2f, 0.5f);
    addMaterial(Orange, 0.9f, 0.5f, 0.1f, 1.0f);
    QCOMPARE(MaterialFactory::getInstance()->getMaterial(Unknown).getId(), 0u);
}

void TestPainter::cleanupTestCase()
{
    for (std::uint32_t id : {HalfGlass, Haze, NearlyOpaque, OtherGlass, Orange})
        MaterialFactory::getInstance()->removeMaterial(id);
}

void TestPainter::faceCounts_data()
{
    QTest::addColumn<QString>("cells");
    QTest::addColumn<int>("opaque");
    QTest::addColumn<int>("transparent");

    QTest::newRow("empty volume") << QString() << 0 << 0;
    QTest::newRow("single opaque cell") << "1,1,1=1" << 6 << 0;
    QTest::newRow("two opaque, different materials") << "1,1,1=1 2,1,1=3" << 10 << 0;
    QTest::newRow("two opaque, same material, along z") << "1,1,1=1 1,1,2=1" << 10 << 0;
    QTest::newRow("diagonal neighbours share no face") << "1,1,1=1 2,2,1=1" << 12 << 0;
    QTest::newRow("two transparent alpha 0.5") << "1,1,1=901 1,2,1=901" << 0 << 10;
    QTest::newRow("two transparent alpha 0.05") << "1,1,1=902 1,2,1=902" << 0 << 12;
    QTest::newRow("two different transparent materials") << "1,1,1=901 1,2,1=904" << 0 << 12;
    // The opaque cell shows its face towards the 0.998 cell; that cell is
    // drawn opaque and hides its face towards the fully opaque one.
    QTest::newRow("opaque next to alpha 0.998") << "1,1,1=1 2,1,1=903" << 11 << 0;
    QTest::newRow("two alpha 0.998 cells") << "1,1,1=903 2,1,1=903" << 12 << 0;
    QTest::newRow("opaque next to transparent") << "1,1,1=1 1,1,2=901" << 6 << 6;
    QTest::newRow("unknown material counts as opaque") << "1,1,1=999 2,1,1=1" << 10 << 0;
    QTest::newRow("2x2x2 opaque block")
        << "1,1,1=1 1,1,2=1 1,2,1=1 1,2,2=1 2,1,1=1 2,1,2=1 2,2,1=1 2,2,2=1" << 24 << 0;
}

// Also: empty cells get six grey outline faces each, only while shown.
void TestPainter::faceCounts()
{
    QFETCH(QString, cells);
    QFETCH(int, opaque);
    QFETCH(int, transparent);

    auto volume = makeVolume(4, 4, 4, cells);
    TotalVolumePainter &painter = volume->getPainter();
    painter.rebuild();
    QCOMPARE(int(painter.getOpaqueFaceCount()), opaque);
    QCOMPARE(int(painter.getTransparentFaceCount()), transparent);
    QCOMPARE(int(painter.getEmptyVoxelFaceCount()), 0);

    painter.setShowEmptyVoxelOutlines(true);
    painter.rebuild();
    const QuadFaceList empty = painter.getEmptyVoxelFaces();
    QCOMPARE(int(empty.size()), 6 * (64 - int(cells.count(QLatin1Char('=')))));
    for (const QuadFace &f : empty) {
        QVERIFY(fuzzyEqual(faceColor(f), {0.8f, 0.8f, 0.8f, 1.0f}));
        QCOMPARE(f.voxel->material, 0u);
    }
    painter.setShowEmptyVoxelOutlines(false);
    painter.rebuild();
    QCOMPARE(int(painter.getEmptyVoxelFaceCount()), 0);
}

void TestPainter::singleCellFaceOrder()
{
    // Cell (1, 2, 3) with cell size (0.5, 2, 3): x in [0.5, 1], y in [4, 6], z in [9, 12].
    static const float expected[6][15] = {
        {0.5f, 4, 9, 0.5f, 6, 9, 1, 6, 9, 1, 4, 9, 0, 0, -1},
        {0.5f, 4, 12, 1, 4, 12, 1, 6, 12, 0.5f, 6, 12, 0, 0, 1},
        {0.5f, 4, 9, 1, 4, 9, 1, 4, 12, 0.5f, 4, 12, 0, -1, 0},
        {0.5f, 6, 9, 0.5f, 6, 12, 1, 6, 12, 1, 6, 9, 0, 1, 0},
        {0.5f, 4, 9, 0.5f, 4, 12, 0.5f, 6, 12, 0.5f, 6, 9, -1, 0, 0},
        {1, 4, 9, 1, 6, 9, 1, 6, 12, 1, 4, 12, 1, 0, 0},
    };
    auto volume = makeVolume(3, 4, 5, "1,2,3=1", 0.5f, 2.0f, 3.0f);
    volume->getPainter().rebuild();
    const QuadFaceList faces = volume->getPainter().getOpaqueFaces();
    QCOMPARE(int(faces.size()), 6);
    const Model::Automaton::Voxel *cells = volume->lockCells();
    volume->unlockCells();
    for (int i = 0; i < 6; ++i) {
        const QuadFace &f = faces[std::size_t(i)];
        QCOMPARE(QVector<float>(&f.vertices[0][0], &f.vertices[0][0] + 12),
            QVector<float>(expected[i], expected[i] + 12));
        QCOMPARE(QVector<float>(f.normal, f.normal + 3), QVector<float>(expected[i] + 12, expected[i] + 15));
        QCOMPARE(f.material, std::uint32_t(Si));
        QVERIFY(fuzzyEqual(faceColor(f), catalogueColor(Si)));
        QCOMPARE(QVector<float>(f.outlineColor, f.outlineColor + 4), QVector<float>(f.color, f.color + 4));
        QCOMPARE(f.voxel, cells + volume->index(1, 2, 3));
    }
}

void TestPainter::limitsAndClipPlanes_data()
{
    QTest::addColumn<QVector<uint>>("limits"); // lower x, y, z, upper x, y, z
    QTest::addColumn<QVector<uint>>("stored"); // after clamping to the 4x5x6 volume
    QTest::addColumn<int>("opaque");

    using V = QVector<uint>;
    QTest::newRow("whole volume") << V {0, 0, 0, 4, 5, 6} << V {0, 0, 0, 4, 5, 6} << 148;
    QTest::newRow("inner 2x2x2, solid all around") << V {1, 1, 1, 3, 3, 3} << V {1, 1, 1, 3, 3, 3} << 24;
    QTest::newRow("bottom") << V {0, 0, 0, 4, 5, 2} << V {0, 0, 0, 4, 5, 2} << 76;
    QTest::newRow("one column in x") << V {2, 0, 0, 3, 5, 6} << V {2, 0, 0, 3, 5, 6} << 82;
    QTest::newRow("single cell") << V {3, 4, 5, 4, 5, 6} << V {3, 4, 5, 4, 5, 6} << 6;
    QTest::newRow("empty range") << V {2, 0, 0, 2, 5, 6} << V {2, 0, 0, 2, 5, 6} << 0;
    QTest::newRow("upper beyond the volume is cut") << V {0, 0, 0, 100, 9, 5} << V {0, 0, 0, 4, 5, 5} << 130;
    QTest::newRow("lower above upper is empty") << V {3, 0, 7, 1, 4, 20} << V {1, 0, 6, 1, 4, 6} << 0;
}

void TestPainter::limitsAndClipPlanes()
{
    QFETCH(QVector<uint>, limits);
    QFETCH(QVector<uint>, stored);
    QFETCH(int, opaque);

    auto volume = std::make_shared<TotalVolume>(
        4, 5, 6, 1.0f, 1.0f, 1.0f, Util::Vector3D(), std::vector<std::uint32_t>(120, Si));
    TotalVolumePainter &painter = volume->getPainter();
    QVERIFY(painter.getClipPlanes().isEmpty());
    QVERIFY(painter.getClipPlanes().passes(-100, 0, 1e6));
    const std::uint32_t lower[3] = {limits[0], limits[1], limits[2]};
    const std::uint32_t upper[3] = {limits[3], limits[4], limits[5]};
    painter.setLimits(lower, upper);
    painter.rebuild();

    const CellRange r = painter.getLimits();
    QCOMPARE(QVector<uint>({r.lower[0], r.lower[1], r.lower[2], r.upper[0], r.upper[1], r.upper[2]}), stored);
    const QuadFaceList faces = painter.getOpaqueFaces();
    QCOMPARE(int(faces.size()), opaque);
    if (opaque > 0) // the first face is the bottom of the lowest cell
        QCOMPARE(QVector<float>(faces[0].vertices[0], faces[0].vertices[0] + 3),
            QVector<float>({float(stored[0]), float(stored[1]), float(stored[2])}));

    const auto planes = painter.getClipPlanes().planes();
    QCOMPARE(int(planes.size()), 6);
    for (int a = 0; a < 3; ++a) {
        QCOMPARE(planes[2 * a][a], -1.0f);
        QCOMPARE(planes[2 * a][3], float(stored[a]));
        QCOMPARE(planes[2 * a + 1][a], 1.0f);
        QCOMPARE(planes[2 * a + 1][3], -float(stored[3 + a]));
    }
    const Model::Automaton::ClipPlaneList &clip = painter.getClipPlanes();
    QVERIFY(clip.passes(stored[0], stored[1], stored[2]));
    QVERIFY(clip.passes(stored[3], stored[4], stored[5]));
    QVERIFY(!clip.passes(stored[3] + 0.01, stored[4], stored[5]));
    QVERIFY(!clip.passes(stored[0], stored[1] - 0.01, stored[2]));
}

void TestPainter::matchesReferenceForAnyThreadCount_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QVector<uint>>("size");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QVector<uint>>("limits"); // empty: whole volume

    const QVector<uint> whole;
    QTest::newRow("1 thread") << 1u << QVector<uint> {9, 6, 7} << 1 << whole;
    QTest::newRow("2 threads") << 1u << QVector<uint> {9, 6, 7} << 2 << whole;
    QTest::newRow("4 threads, remainder slab") << 1u << QVector<uint> {9, 6, 7} << 4 << whole;
    QTest::newRow("9 threads, one column each") << 2u << QVector<uint> {9, 5, 5} << 9 << whole;
    QTest::newRow("more threads than columns") << 3u << QVector<uint> {3, 6, 6} << 8 << whole;
    QTest::newRow("one column, 3 threads") << 4u << QVector<uint> {1, 7, 7} << 3 << whole;
    QTest::newRow("limits, 3 threads")
        << 5u << QVector<uint> {10, 8, 6} << 3 << QVector<uint> {2, 1, 1, 9, 7, 5};
    QTest::newRow("limits narrower than threads")
        << 6u << QVector<uint> {10, 8, 6} << 4 << QVector<uint> {4, 0, 2, 6, 8, 6};
}

void TestPainter::matchesReferenceForAnyThreadCount()
{
    QFETCH(quint32, seed);
    QFETCH(QVector<uint>, size);
    QFETCH(int, threads);
    QFETCH(QVector<uint>, limits);

    auto volume = makeRandomVolume(seed, size[0], size[1], size[2]);
    TotalVolumePainter &painter = volume->getPainter();
    CellRange range = CellRange::whole(size[0], size[1], size[2]);
    if (!limits.isEmpty()) {
        range = CellRange {{{limits[0], limits[1], limits[2]}}, {{limits[3], limits[4], limits[5]}}};
        painter.setLimits(range);
    }
    QThreadPool::globalInstance()->setMaxThreadCount(threads);
    painter.setShowEmptyVoxelOutlines(true);
    painter.rebuild();

    QuadFaceList opaque, transparent, empty;
    referenceFaces(*volume, range, opaque, transparent, empty);
    QVERIFY(!opaque.empty() && !transparent.empty() && !empty.empty());
    compareLists(painter.getOpaqueFaces(), opaque);
    compareLists(painter.getTransparentFaces(), transparent);
    compareLists(painter.getEmptyVoxelFaces(), empty);
}

void TestPainter::unknownMaterialGetsFallbackColour()
{
    auto volume = makeVolume(2, 2, 2, "0,0,0=999 1,1,1=1");
    TotalVolumePainter &painter = volume->getPainter();
    painter.rebuild();
    QVERIFY(!painter.getColorTable().contains(Unknown));
    QuadFaceList faces = painter.getOpaqueFaces();
    QCOMPARE(int(faces.size()), 12);
    QCOMPARE(faces.front().material, std::uint32_t(Unknown));
    QVERIFY(fuzzyEqual(faceColor(faces.front()), MaterialColorTable::fallbackColor));

    // Recolouring (as a selection change does) keeps the fallback, shifted while selected.
    volume->setSelected(true);
    QVERIFY(painter.syncSelection());
    float shifted[4];
    MaterialColorTable::highlight(MaterialColorTable::fallbackColor.data(), shifted);
    faces = painter.getOpaqueFaces();
    QVERIFY(fuzzyEqual(faceColor(faces.front()), {shifted[0], shifted[1], shifted[2], shifted[3]}));
    QVERIFY(fuzzyEqual(faceColor(faces.back()), {0.8f, 0.8f, 0.8f, 1.0f})); // Si (0.5) + 0.3
}

void TestPainter::selectionHighlight_data()
{
    QTest::addColumn<QVector<float>>("material");
    QTest::addColumn<QVector<float>>("highlighted");

    QTest::newRow("mixed channels") << QVector<float> {0.9f, 0.5f, 0.1f, 1.0f}
                                    << QVector<float> {0.2f, 0.8f, 0.4f, 1.0f};
    QTest::newRow("extremes") << QVector<float> {1.0f, 0.0f, 0.75f, 1.0f}
                              << QVector<float> {0.3f, 0.3f, 0.05f, 1.0f};
    QTest::newRow("alpha kept") << QVector<float> {0.69f, 0.3f, 0.8f, 0.5f}
                                << QVector<float> {0.99f, 0.6f, 0.1f, 0.5f};
}

void TestPainter::selectionHighlight()
{
    QFETCH(QVector<float>, material);
    QFETCH(QVector<float>, highlighted);
    addMaterial(Orange, material[0], material[1], material[2], material[3]);
    const std::array<float, 4> plain {material[0], material[1], material[2], material[3]};
    const std::array<float, 4> shifted {highlighted[0], highlighted[1], highlighted[2], highlighted[3]};

    auto volume = makeVolume(2, 1, 1, "0,0,0=905 1,0,0=905");
    TotalVolumePainter &painter = volume->getPainter();
    painter.rebuild();
    auto allFaces = [&] {
        QuadFaceList all = painter.getOpaqueFaces();
        const QuadFaceList t = painter.getTransparentFaces();
        all.insert(all.end(), t.begin(), t.end());
        return all;
    };
    auto allShow = [&](const std::array<float, 4> &c) {
        const QuadFaceList faces = allFaces();
        if (faces.size() != 10)
            return false;
        for (const QuadFace &f : faces)
            if (!fuzzyEqual(faceColor(f), c) || std::memcmp(f.color, f.outlineColor, sizeof f.color))
                return false;
        return true;
    };
    QVERIFY(!painter.syncSelection());
    QVERIFY(allShow(plain));

    volume->setSelected(true);
    QVERIFY(painter.syncSelection());
    QVERIFY(allShow(shifted));
    // An explicit recolouring while selected does not shift a second time.
    painter.updateColors();
    QVERIFY(allShow(shifted));
    QVERIFY(!painter.syncSelection());

    // A rebuild while selected: plain faces, highlighted again at the next draw.
    painter.rebuild();
    QVERIFY(allShow(plain));
    QVERIFY(painter.syncSelection());
    QVERIFY(allShow(shifted));

    volume->setSelected(false);
    QVERIFY(painter.syncSelection());
    QVERIFY(allShow(plain));

    // A catalogue colour change reaches the faces at the next recolouring.
    addMaterial(Orange, 0.1f, 0.2f, 0.3f, material[3]);
    painter.updateColors();
    QVERIFY(allShow({0.1f, 0.2f, 0.3f, material[3]}));
    addMaterial(Orange, 0.9f, 0.5f, 0.1f, 1.0f);
}

void TestPainter::surfaceAlgorithmRebuildsOnlyOnChange()
{
    auto volume = makeVolume(3, 3, 3, "1,1,1=1");
    TotalVolumePainter &painter = volume->getPainter();
    painter.rebuild();
    QCOMPARE(int(painter.getOpaqueFaceCount()), 6);

    volume->lockCells()[volume->index(0, 0, 0)].material = Si;
    volume->unlockCells();
    QVERIFY(!painter.setSurfaceAlgorithm(TotalVolumePainter::DirectCubic));
    QCOMPARE(int(painter.getOpaqueFaceCount()), 6);
    QTest::ignoreMessage(QtWarningMsg, "Unknown surface algorithm 7 ignored");
    QVERIFY(!painter.setSurfaceAlgorithm(7));
    QCOMPARE(painter.getSurfaceAlgorithm(), std::uint32_t(TotalVolumePainter::DirectCubic));
    QVERIFY(painter.setSurfaceAlgorithm(TotalVolumePainter::MarchingCubes));
    QCOMPARE(int(painter.getOpaqueFaceCount()), 12);
    QVERIFY(!painter.setSurfaceAlgorithm(TotalVolumePainter::MarchingCubes));
}

void TestPainter::slabSplit_data()
{
    QTest::addColumn<uint>("begin");
    QTest::addColumn<uint>("end");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QVector<uint>>("bounds"); // begin0, end0, begin1, end1, ...

    QTest::newRow("even") << 0u << 8u << 4 << QVector<uint> {0, 2, 2, 4, 4, 6, 6, 8};
    QTest::newRow("remainder to the last") << 2u << 12u << 3 << QVector<uint> {2, 5, 5, 8, 8, 12};
    QTest::newRow("one thread") << 3u << 7u << 1 << QVector<uint> {3, 7};
    QTest::newRow("fewer columns than threads") << 0u << 3u << 4 << QVector<uint>();
    QTest::newRow("empty range") << 5u << 5u << 2 << QVector<uint>();
    QTest::newRow("zero threads counts as one") << 0u << 4u << 0 << QVector<uint> {0, 4};
}

void TestPainter::slabSplit()
{
    QFETCH(uint, begin);
    QFETCH(uint, end);
    QFETCH(int, threads);
    QFETCH(QVector<uint>, bounds);

    QVector<uint> actual;
    for (const SlabSplit::Slab &slab : SlabSplit::split(begin, end, threads))
        actual << slab.begin << slab.end;
    QCOMPARE(actual, bounds);
}

void TestPainter::slabFailureWaitsForAllAndRethrows()
{
    QThreadPool::globalInstance()->setMaxThreadCount(3);
    const auto slabs = SlabSplit::split(0, 12, 6);
    std::vector<std::atomic<int>> done(slabs.size());
    bool caught = false;
    try {
        SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab) {
            QThread::msleep(5);
            done[i] = 1;
            if (i == 2 || i == 4)
                throw std::bad_alloc();
        });
    } catch (const std::bad_alloc &) {
        caught = true;
    }
    QVERIFY(caught);
    for (const auto &d : done)
        QCOMPARE(d.load(), 1);
}

void TestPainter::buildWaitsForCellsLock()
{
    auto volume = makeVolume(4, 4, 4, "1,1,1=1");
    volume->lockCells();
    QFuture<void> build = QtConcurrent::run([&] { volume->getPainter().rebuild(); });
    QTest::qWait(50);
    QVERIFY(!build.isFinished());
    volume->unlockCells();
    build.waitForFinished();
    QCOMPARE(int(volume->getPainter().getOpaqueFaceCount()), 6);
    // The painter released the lock again.
    volume->lockCells();
    volume->unlockCells();
}

void TestPainter::maskOverlay_data()
{
    QTest::addColumn<uint>("width");
    QTest::addColumn<uint>("height");
    QTest::addColumn<uint>("bitCount");
    QTest::addColumn<QVector<uint>>("setBits");
    QTest::addColumn<QVector<float>>("firstQuad");
    QTest::addColumn<int>("quads");

    // Volume 4 x 3 cells of size (2, 3); z = 7.
    QTest::newRow("bit i*h+j is cell (i, j)")
        << 4u << 3u << 12u << QVector<uint> {5} << QVector<float> {2, 6, 7, 4, 6, 7, 4, 9, 7, 2, 9, 7} << 1;
    QTest::newRow("mask wider than volume is cut")
        << 6u << 5u << 30u << QVector<uint> {0, 4, 29} << QVector<float> {0, 0, 7, 2, 0, 7, 2, 3, 7, 0, 3, 7}
        << 1;
    QTest::newRow("short bit vector: missing bits are clear")
        << 4u << 3u << 4u << QVector<uint> {3} << QVector<float> {2, 0, 7, 4, 0, 7, 4, 3, 7, 2, 3, 7} << 1;
    QTest::newRow("all set") << 4u << 3u << 12u << QVector<uint> {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
                             << QVector<float> {0, 0, 7, 2, 0, 7, 2, 3, 7, 0, 3, 7} << 12;
}

void TestPainter::maskOverlay()
{
    QFETCH(uint, width);
    QFETCH(uint, height);
    QFETCH(uint, bitCount);
    QFETCH(QVector<uint>, setBits);
    QFETCH(QVector<float>, firstQuad);
    QFETCH(int, quads);

    Util::BitVector bits(bitCount);
    for (uint b : setBits)
        bits.set(b);
    const std::vector<float> corners
        = Model::Automaton::MaskOverlay::quads(bits, width, height, 4, 3, 2.0f, 3.0f, 7.0f);
    QCOMPARE(int(corners.size()), quads * 12);
    if (quads > 0)
        QCOMPARE(QVector<float>(corners.begin(), corners.begin() + 12), firstQuad);
}

QTEST_GUILESS_MAIN(TestPainter)
#include "tst_painter.moc"

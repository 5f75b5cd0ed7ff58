#include "Model/Automaton/CellRange.h"
#include "Model/Automaton/MaterialColorTable.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Geometry/QuadFace.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/BitVector.h"

#include <QRandomGenerator>
#include <QThreadPool>
#include <QtTest>

#include <memory>

using Model::Automaton::CellRange;
using Model::Automaton::MaterialColorTable;
using Model::Automaton::TotalVolume;
using Model::Automaton::TotalVolumePainter;
using Model::Geometry::QuadFace;
using Model::Geometry::QuadFaceList;
using Model::Materials::Material;
using Model::Materials::MaterialFactory;
using Rgba = std::array<float, 4>;

namespace {

// Test materials added for the run; 999 stays unknown and is drawn in the fallback colour.
enum : std::uint32_t { Si = 1, HalfGlass = 901, Haze = 902, NearlyOpaque = 903, Unknown = 999 };

void addMaterial(std::uint32_t id, const Rgba &c)
{
    MaterialFactory::getInstance()->addMaterial(Material(id, QStringLiteral("test"), 1, 1, 0.1f, c.data()));
}

Rgba catalogueColor(std::uint32_t id)
{
    const Material m = MaterialFactory::getInstance()->getMaterial(id);
    const Util::Vector4D c = m.getColor();
    return m.getId() == 0 ? MaterialColorTable::fallbackColor : Rgba {float(c.x), float(c.y), float(c.z), float(c.w)};
}

// Face order -z, +z, -y, +y, -x, +x; each face's corners written out independently of the builder's table.
const float dir[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
const int corners[6][4][3] = {{{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
    {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}, {1, 1, 1}, {1, 1, 0}},
    {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};

// The visibility rules as a plain loop over every cell and face; lists: opaque, transparent, empty.
std::array<QuadFaceList, 3> referenceFaces(TotalVolume &volume, const CellRange &r)
{
    std::array<QuadFaceList, 3> lists;
    const float size[3] = {volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()};
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    const Model::Automaton::Voxel *cells = lock.cells();
    std::uint32_t c[3];
    for (c[0] = r.lower[0]; c[0] < r.upper[0]; ++c[0])
        for (c[1] = r.lower[1]; c[1] < r.upper[1]; ++c[1])
            for (c[2] = r.lower[2]; c[2] < r.upper[2]; ++c[2]) {
                const std::uint32_t m = cells[volume.index(c[0], c[1], c[2])].material;
                const float alpha = catalogueColor(m)[3];
                for (int f = 0; f < 6; ++f) {
                    bool inside = true;
                    long n[3];
                    for (int a = 0; a < 3; ++a) {
                        n[a] = long(c[a]) + long(dir[f][a]);
                        inside = inside && n[a] >= long(r.lower[a]) && n[a] < long(r.upper[a]);
                    }
                    const std::uint32_t nm = inside ? cells[volume.index(n[0], n[1], n[2])].material : 0;
                    const bool hidden = alpha < 0.997f ? inside && nm == m && alpha > 0.1f
                                                       : inside && nm != 0 && catalogueColor(nm)[3] > 0.999f;
                    if (m != 0 && hidden)
                        continue;
                    QuadFace q;
                    for (int k = 0; k < 4; ++k)
                        for (int a = 0; a < 3; ++a)
                            q.vertices[k][a] = float(c[a] + corners[f][k][a]) * size[a];
                    q.normal = dir[f];
                    q.setColors((m == 0 ? Rgba {0.8f, 0.8f, 0.8f, 1.0f} : catalogueColor(m)).data());
                    q.voxel = cells + volume.index(c[0], c[1], c[2]);
                    q.material = m;
                    lists[m == 0 ? 2 : alpha < 0.997f ? 1 : 0].push_back(q);
                }
            }
    return lists;
}

} // namespace

class TestPainter : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QThreadPool::globalInstance()->setMaxThreadCount(savedThreadCount); }
    void initTestCase()
    {
        savedThreadCount = QThreadPool::globalInstance()->maxThreadCount();
        MaterialFactory::getInstance()->loadDefaultMaterials();
        addMaterial(HalfGlass, {0.2f, 0.4f, 0.9f, 0.5f});
        addMaterial(Haze, {0.9f, 0.9f, 0.9f, 0.05f});
        addMaterial(NearlyOpaque, {0.3f, 0.6f, 0.3f, 0.998f});
    }

    // Faces on the range boundary are checked against the reference below.
    void limitsClampedAndClipPlanes()
    {
        auto volume = std::make_shared<TotalVolume>(4, 5, 6, 1.f, 1.f, 1.f, Util::Vector3D(), std::vector<std::uint32_t>(120, Si));
        TotalVolumePainter &painter = volume->getPainter();
        QVERIFY(painter.getClipPlanes().passes(-100, 0, 1e6)); // no planes yet
        auto limitsAfter = [&](const CellRange &range) {
            painter.setLimits(range);
            painter.rebuild();
            const CellRange r = painter.getLimits();
            return QVector<uint>({r.lower[0], r.lower[1], r.lower[2], r.upper[0], r.upper[1], r.upper[2]});
        };
        // Lower above upper: an empty range, no faces.
        QCOMPARE(limitsAfter(CellRange {{{3, 0, 7}}, {{1, 4, 20}}}), QVector<uint>({1, 0, 6, 1, 4, 6}));
        QCOMPARE(int(painter.getOpaqueFaceCount()), 0);
        // Upper beyond the volume is cut; the clip planes follow the stored range.
        QCOMPARE(limitsAfter(CellRange {{{0, 1, 0}}, {{100, 9, 5}}}), QVector<uint>({0, 1, 0, 4, 5, 5}));
        QCOMPARE(int(painter.getOpaqueFaceCount()), 2 * (16 + 20 + 20));
        const auto &planes = painter.getClipPlanes();
        QVERIFY(planes.passes(4, 5, 5) && planes.passes(0, 1, 0));
        QVERIFY(!planes.passes(4.01, 5, 5) && !planes.passes(0, 0.99, 0));
    }

    void matchesReferenceForAnyThreadCount_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QVector<uint>>("dims");
        QTest::addColumn<int>("threads");
        QTest::addColumn<QVector<uint>>("limits"); // empty: whole volume
        QTest::newRow("4 threads, remainder slab") << 1u << QVector<uint> {9, 6, 7} << 4 << QVector<uint>();
        QTest::newRow("more threads than columns") << 3u << QVector<uint> {3, 6, 6} << 8 << QVector<uint>();
        QTest::newRow("limits narrower than threads")
            << 6u << QVector<uint> {10, 8, 6} << 4 << QVector<uint> {4, 0, 2, 6, 8, 6};
    }

    void matchesReferenceForAnyThreadCount()
    {
        QFETCH(quint32, seed);
        QFETCH(QVector<uint>, dims);
        QFETCH(int, threads);
        QFETCH(QVector<uint>, limits);
        static const std::uint32_t palette[] = {0, 0, 0, Si, Si, 3, HalfGlass, Haze, NearlyOpaque, 904, Unknown};
        addMaterial(904, {0.9f, 0.2f, 0.2f, 0.5f}); // a second glass
        QRandomGenerator random(seed);
        std::vector<std::uint32_t> ids(std::size_t {dims[0]} * dims[1] * dims[2]);
        for (auto &id : ids)
            id = palette[random.bounded(int(std::size(palette)))];
        TotalVolume volume(dims[0], dims[1], dims[2], 0.5f, 2.0f, 3.0f, Util::Vector3D(), ids);

        CellRange range = CellRange::whole(dims[0], dims[1], dims[2]);
        if (!limits.isEmpty()) {
            range = CellRange {{{limits[0], limits[1], limits[2]}}, {{limits[3], limits[4], limits[5]}}};
            volume.getPainter().setLimits(range);
        }
        QThreadPool::globalInstance()->setMaxThreadCount(threads);
        volume.getPainter().setShowEmptyVoxelOutlines(true);
        volume.getPainter().rebuild();

        const auto expected = referenceFaces(volume, range);
        const QuadFaceList actual[3] = {volume.getPainter().getOpaqueFaces(), volume.getPainter().getTransparentFaces(),
            volume.getPainter().getEmptyVoxelFaces()};
        for (int list = 0; list < 3; ++list) {
            QVERIFY(!expected[list].empty());
            QVERIFY2(actual[list] == expected[list], qPrintable(QStringLiteral("list %1").arg(list)));
        }
        // Outlines off: the empty cells' faces go, the others stay.
        volume.getPainter().setShowEmptyVoxelOutlines(false);
        volume.getPainter().rebuild();
        QVERIFY(volume.getPainter().getEmptyVoxelFaces().empty());
        QVERIFY(volume.getPainter().getOpaqueFaces() == expected[0]);
        QVERIFY(volume.getPainter().getTransparentFaces() == expected[1]);
    }

    void maskSides_data()
    {
        QTest::addColumn<bool>("bottomMask");
        QTest::addColumn<QVector<uint>>("mask"); // width, height, bit count, then the set bits
        QTest::addColumn<QVector<float>>("corners"); // x, y of the one quad drawn
        // 4 x 3 x 6 cells of 2 x 3 x 0.5 units; bit i * height + j is mask cell (i, j).
        QTest::newRow("bottom mask (first) below the volume")
            << true << QVector<uint> {4, 3, 12, 5} << QVector<float> {2, 6, 4, 6, 4, 9, 2, 9};
        QTest::newRow("top mask (second) above, cut at the volume's edge")
            << false << QVector<uint> {6, 5, 30, 0, 4, 29} << QVector<float> {0, 0, 2, 0, 2, 3, 0, 3};
        QTest::newRow("bits beyond a short vector are clear")
            << true << QVector<uint> {4, 3, 4, 3} << QVector<float> {2, 0, 4, 0, 4, 3, 2, 3};
    }

    // The overlays must float on the side each mask lights (five layers below the
    // volume, z = -2.5, or above its top, z = 5.5); drawn on the wrong side they
    // tell the user the opposite of what the development will do.
    void maskSides()
    {
        QFETCH(bool, bottomMask);
        QFETCH(QVector<uint>, mask);
        QFETCH(QVector<float>, corners);
        TotalVolume volume(4, 3, 6, 2.f, 3.f, .5f, Util::Vector3D(), std::vector<std::uint32_t>(72, 1));
        Util::BitVector bits(mask[2]);
        for (int k = 3; k < mask.size(); ++k)
            bits.set(mask[k]);
        if (bottomMask)
            volume.setMaskA(bits, mask[0], mask[1]);
        else
            volume.setMaskB(bits, mask[0], mask[1]);
        const auto quads = volume.getPainter().maskOverlayQuads();
        const std::vector<float> &lit = bottomMask ? quads.below : quads.above;
        QVERIFY((bottomMask ? quads.above : quads.below).empty());
        QVector<float> expected;
        for (int k = 0; k < 8; k += 2)
            expected << corners[k] << corners[k + 1] << (bottomMask ? -2.5f : 5.5f);
        QCOMPARE(QVector<float>(lit.begin(), lit.end()), expected);
    }

private:
    int savedThreadCount = 0;
};

QTEST_GUILESS_MAIN(TestPainter)
#include "tst_painter.moc"

#include "ExtractionTestSupport.h"

#include "Core/Operations/ModelExtraction/RunModelExtraction.h"
#include "Core/ProcessRuns.h"
#include "Model/TempHome.h"
#include "Core/Operations/ModelExtraction/BeamMaterials.h"
#include "Core/Operations/ModelExtraction/VolumeNetlist.h"
#include "Model/Automaton/Voxel.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/ModelExtraction/BeamPhysics.h"
#include "Model/ModelExtraction/BlockPartition.h"
#include "Model/ModelExtraction/CantileverModelRule.h"
#include "Model/ModelExtraction/CantileverStructure.h"
#include "Model/ModelExtraction/ExtractedModel.h"
#include "Model/ModelExtraction/RectangularCuboidEnvelope.h"
#include "Util/BitVector.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <set>
#include <tuple>

using namespace Model::ModelExtraction;
using Model::Automaton::TotalVolume;
using Envelope = RectangularCuboidEnvelope;
using Planes = BlockPartition::SplitPlanes;
using Core::ProcessKey;
using Core::Operations::RunModelExtraction;
using TestSupport::CallbackObserver;
using TestSupport::stepOf;

namespace {

using Box = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>;

std::shared_ptr<TotalVolume> randomVolume(quint32 seed, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                                          std::uint32_t materials)
{
    QRandomGenerator random(seed);
    std::uint32_t current = 0;
    // Runs of equal cells along z, so blocks are larger than one cell.
    return ExtractionTest::volumeFrom(nx, ny, nz, [&](std::uint32_t, std::uint32_t, std::uint32_t z) {
        if (z == 0 || random.bounded(3) == 0)
            current = random.bounded(materials);
        return current;
    });
}

// The planes by a plain triple loop over the whole volume.
Planes referencePlanes(TotalVolume &volume)
{
    const std::uint32_t nx = volume.getSizeX(), ny = volume.getSizeY(), nz = volume.getSizeZ();
    const auto ids = volume.materialIds();
    std::set<std::uint32_t> xs, ys, zs;
    for (std::uint32_t x = 0; x + 1 < nx; ++x)
        for (std::uint32_t y = 0; y + 1 < ny; ++y)
            for (std::uint32_t z = 0; z + 1 < nz; ++z) {
                const std::uint32_t m = ids[volume.index(x, y, z)];
                if (m != ids[volume.index(x, y, z + 1)])
                    zs.insert(z + 1);
                if (m != ids[volume.index(x, y + 1, z)])
                    ys.insert(y + 1);
                if (m != ids[volume.index(x + 1, y, z)])
                    xs.insert(x + 1);
            }
    return {{xs.begin(), xs.end()}, {ys.begin(), ys.end()}, {zs.begin(), zs.end()}};
}

Planes planesOf(TotalVolume &volume, int slabs)
{
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    return BlockPartition::findSplitPlanes(lock.cells(), volume.getSizeX(), volume.getSizeY(), volume.getSizeZ(), slabs);
}

Box boxOf(const Envelope &e)
{
    return {e.getOrigin(0), e.getOrigin(1), e.getOrigin(2), e.getSize(0), e.getSize(1), e.getSize(2)};
}

ExtractedModel blocksOf(TotalVolume &volume)
{
    return ExtractedModel(BlockPartition::run(volume));
}

std::shared_ptr<Envelope> envelopeOf(const Box &box, std::uint32_t material = 3)
{
    return std::make_shared<Envelope>(std::get<0>(box), std::get<1>(box), std::get<2>(box), std::get<3>(box),
                                      std::get<4>(box), std::get<5>(box), material);
}

// A beam at (across, z) = (1, 1), held by silicon at one end; a silicon strip
// at (3, 0) ending part way along cuts it, yet the free end and the segment
// after it make one beam 10 cells long. Mirrored, the free end lies towards +x.
std::shared_ptr<TotalVolume> cutBeam(bool alongY, bool mirrored)
{
    const auto rule = [=](std::uint32_t along, std::uint32_t across, std::uint32_t z) {
        const bool strip = across == 3 && z == 0 && (mirrored ? along < 9 : along >= 3);
        if (strip || (mirrored ? along < 2 : along >= 10))
            return 1u;
        return across == 1 && z == 1 && (!mirrored || along < 12) ? (alongY ? 5u : 3u) : 0u;
    };
    const std::uint32_t length = mirrored ? 13 : 12;
    if (alongY)
        return ExtractionTest::volumeFrom(5, length, 3, [=](auto x, auto y, auto z) { return rule(y, x, z); });
    return ExtractionTest::volumeFrom(length, 5, 3, rule);
}

} // namespace

Q_DECLARE_METATYPE(std::shared_ptr<TotalVolume>)
Q_DECLARE_METATYPE(Box)
Q_DECLARE_METATYPE(CellSize)
Q_DECLARE_METATYPE(BeamMaterial)
Q_DECLARE_METATYPE(ExtractionTest::PostedBeam)

class TestModelExtraction : public QObject
{
    Q_OBJECT

private slots:
    void waitsForAVolume();
    void stepsThenFinishOrCancel_data();
    void stepsThenFinishOrCancel();
    void partition_data();
    void partition();
    void beams_data();
    void beams();
    void netlistText_data();
    void netlistText();
    void materialConstants_data();
    void materialConstants();
    void largeBeamsDoNotWrap_data();
    void largeBeamsDoNotWrap();
    void circuitSimulatorFindsTheResonance_data();
    void circuitSimulatorFindsTheResonance();
    void recipeCantilever();
};

void TestModelExtraction::partition_data()
{
    QTest::addColumn<std::shared_ptr<TotalVolume>>("volume");
    QTest::newRow("random 17 x 9 x 11, 3 materials") << randomVolume(1, 17, 9, 11, 3);
    QTest::newRow("random 40 x 5 x 7, 5 materials") << randomVolume(2, 40, 5, 7, 5);
    QTest::newRow("random 3 x 20 x 20, 2 materials") << randomVolume(3, 3, 20, 20, 2);
    QTest::newRow("uniform") << ExtractionTest::volumeFrom(12, 6, 6, [](auto, auto, auto) { return 1u; });
    QTest::newRow("all empty") << ExtractionTest::volumeFrom(5, 5, 5, [](auto, auto, auto) { return 0u; });
    QTest::newRow("one cell thick: no cell below every last index")
        << ExtractionTest::volumeFrom(8, 1, 8, [](auto x, auto, auto) { return x % 2; });
    QTest::newRow("beam on an anchor") << ExtractionTest::anchoredBeam(3, 7, 2, 1);
    // Oxide in half of the last layer of one axis: the step into that layer
    // splits, the change inside it does not.
    for (const int axis : {0, 1, 2})
        QTest::addRow("last %c layer", "xyz"[axis]) << ExtractionTest::volumeFrom(6, 6, 6, [axis](auto x, auto y, auto z) {
            const std::uint32_t c[3] = {x, y, z};
            return c[axis] == 5 && c[(axis + 1) % 3] >= 3 ? 3u : 1u;
        });
}

// Any number of slabs finds the planes a plain scan finds; the blocks are the
// non-empty cells of their grid, linked to the neighbours that comparing the
// faces of every pair of blocks gives.
void TestModelExtraction::partition()
{
    QFETCH(std::shared_ptr<TotalVolume>, volume);
    const Planes planes = referencePlanes(*volume);
    for (int slabs : {0, 1, 2, 3, 7, 64}) {
        const Planes found = planesOf(*volume, slabs);
        QVERIFY2(found.x == planes.x && found.y == planes.y && found.z == planes.z,
                 qPrintable(QStringLiteral("%1 slabs").arg(slabs)));
    }
    const auto ids = volume->materialIds();
    const auto envelopes = blocksOf(*volume).getEnvelopes();
    auto bounds = [](std::vector<std::uint32_t> p, std::uint32_t n) {
        p.insert(p.begin(), 0);
        p.push_back(n);
        return p;
    };
    const auto bx = bounds(planes.x, volume->getSizeX());
    const auto by = bounds(planes.y, volume->getSizeY());
    const auto bz = bounds(planes.z, volume->getSizeZ());
    std::set<Box> expected;
    for (std::size_t i = 0; i + 1 < bx.size(); ++i)
        for (std::size_t j = 0; j + 1 < by.size(); ++j)
            for (std::size_t k = 0; k + 1 < bz.size(); ++k)
                if (ids[volume->index(bx[i], by[j], bz[k])] != 0)
                    expected.insert({bx[i], by[j], bz[k], bx[i + 1] - bx[i], by[j + 1] - by[j], bz[k + 1] - bz[k]});
    std::set<Box> found;
    for (const auto &e : envelopes) {
        QVERIFY(e->getMaterial() != 0);
        QCOMPARE(e->getMaterial(), ids[volume->index(e->getOrigin(0), e->getOrigin(1), e->getOrigin(2))]);
        found.insert(boxOf(*e));
    }
    QCOMPARE(found.size(), envelopes.size());
    QVERIFY(found == expected);

    for (const auto &a : envelopes) {
        std::uint32_t count = 0;
        for (std::uint32_t face = 0; face < Envelope::faceCount; ++face) {
            const Envelope *reference = nullptr;
            for (const auto &b : envelopes)
                if (b != a && a->sharesFace(face, *b))
                    reference = b.get();
            QCOMPARE(a->getNeighbour(face), reference);
            count += reference ? 1 : 0;
        }
        QCOMPARE(a->getNeighbourCount(), count);
    }
}

void TestModelExtraction::beams_data()
{
    QTest::addColumn<std::shared_ptr<TotalVolume>>("volume");
    QTest::addColumn<Box>("beam"); // empty: none
    QTest::newRow("silicon only") << ExtractionTest::volumeFrom(8, 8, 8, [](auto, auto, auto) { return 1u; }) << Box();
    QTest::newRow("one free block held on one side") << ExtractionTest::anchoredBeam(2, 3, 1, 1) << Box{2, 1, 1, 3, 1, 1};
    QTest::newRow("beam of silicon is substrate") << ExtractionTest::anchoredBeam(2, 6, 2, 1, 1) << Box();
    QTest::newRow("block resting on the substrate is no beam")
        << ExtractionTest::volumeFrom(8, 4, 4, [](auto x, auto y, auto z) {
               return z == 0 ? 1u : (z == 1 && y == 1 && x < 5 ? 3u : 0u);
           })
        << Box();
    for (const bool alongY : {false, true})
        for (const bool mirrored : {false, true}) {
            const std::uint32_t start = mirrored ? 2 : 0;
            QTest::addRow("free end towards %s%s", mirrored ? "+" : "-", alongY ? "y" : "x")
                << cutBeam(alongY, mirrored) << (alongY ? Box{1, start, 1, 1, 10, 1} : Box{start, 1, 1, 10, 1, 1});
        }
}

void TestModelExtraction::beams()
{
    QFETCH(std::shared_ptr<TotalVolume>, volume);
    QFETCH(Box, beam);
    const int beamCount = beam == Box() ? 0 : 1;
    const ExtractedModel blocks = blocksOf(*volume);
    CantileverModelRule rule = Core::Operations::VolumeNetlist::ruleFor(*volume);
    const auto structure = rule.apply(blocks);
    QCOMPARE(int(rule.getBeams().size()), beamCount);
    QCOMPARE(structure != nullptr, beamCount > 0);
    if (beamCount == 0) {
        // Every volume here holds silicon, which is never a beam.
        Core::Operations::VolumeNetlist::Result details;
        QVERIFY(Core::Operations::VolumeNetlist::netlistOf(*volume, &details).isEmpty());
        QCOMPARE(details.reason,
                 QStringLiteral("Material 1 (silicon) is taken as the substrate and never forms a beam."));
        return;
    }
    QVERIFY(boxOf(*rule.getBeams().front()) == beam);
    const QRegularExpression head(QStringLiteral("^Model extracted by Kestrum\n\\* beam 1: .*\nc1 1 0 .*\nl1 1 0 "));
    QVERIFY2(head.match(structure->netlist()).hasMatch(), qPrintable(structure->netlist()));
}

void TestModelExtraction::netlistText_data()
{
    QTest::addColumn<BeamMaterial>("material");
    QTest::addColumn<Box>("beam");
    QTest::addColumn<CellSize>("cells");
    QTest::addColumn<int>("lengthAxis");
    QTest::addColumn<QString>("text");
    // By hand: c = rho L w t 33/140, l = 4 L^3 / (E w t^3), f1 = 1 / (2 pi sqrt(l c)).
    QTest::newRow("10 x 2 x 1 cells of 1 µm along x")
        << BeamMaterial{"Si", 2329.0, 1.88e11} << Box{0, 0, 0, 10, 2, 1} << CellSize{1, 1, 1} << 0
        << QStringLiteral("Model extracted by Kestrum\n* beam 1: Si, 10 x 2 x 1 µm, f1 = 1.473e+07 Hz \n"
                          "c1 1 0 1.09796e-14 \nl1 1 0 0.0106383 \n.end \n");
    QTest::newRow("cells of 4 x 1 x 0.5 µm, along y though x is longer in µm")
        << BeamMaterial{"Si", 2329.0, 1.88e11} << Box{0, 0, 0, 8, 20, 2} << CellSize{4, 1, 0.5} << 1
        << QStringLiteral("Model extracted by Kestrum\n* beam 1: Si, 20 x 32 x 1 µm, f1 = 3.682e+06 Hz \n"
                          "c1 1 0 3.51346e-13 \nl1 1 0 0.00531915 \n.end \n");
    QTest::newRow("direction unknown: the longer side in µm, not in cells")
        << BeamMaterial{"Si", 2329.0, 1.88e11} << Box{0, 0, 0, 4, 10, 1} << CellSize{5, 1, 1} << -1
        << QStringLiteral("Model extracted by Kestrum\n* beam 1: Si, 20 x 10 x 1 µm, f1 = 3.682e+06 Hz \n"
                          "c1 1 0 1.09796e-13 \nl1 1 0 0.0170213 \n.end \n");
    QTest::newRow("a name with a % and a line break stays one comment")
        << BeamMaterial{"Foo %1\nbar", 1000.0, 1e9} << Box{0, 0, 0, 10, 2, 1} << CellSize{1, 1, 1} << 0
        << QStringLiteral("Model extracted by Kestrum\n* beam 1: Foo %1 bar, 10 x 2 x 1 µm, f1 = 1.639e+06 Hz \n"
                          "c1 1 0 4.71429e-15 \nl1 1 0 2 \n.end \n");
}

void TestModelExtraction::netlistText()
{
    QFETCH(BeamMaterial, material);
    QFETCH(Box, beam);
    QFETCH(CellSize, cells);
    QFETCH(int, lengthAxis);
    QFETCH(QString, text);
    const CantileverStructure structure({{envelopeOf(beam, 3), lengthAxis}}, cells,
                                        [material](std::uint32_t) { return material; });
    QCOMPARE(structure.netlist(), text);
    // Numbers in general notation with six digits, as C's %g writes them.
    for (const auto &[value, written] : {std::pair(1e6, "1e+06"), std::pair(123456.0, "123456"),
                                         std::pair(1234567.0, "1.23457e+06"), std::pair(0.0001, "0.0001"),
                                         std::pair(1.5e-5, "1.5e-05")})
        QCOMPARE(CantileverStructure::formatNumber(value), QString::fromLatin1(written));
}

void TestModelExtraction::materialConstants_data()
{
    QTest::addColumn<std::uint32_t>("material");
    QTest::addColumn<BeamMaterial>("expected"); // no stiffness: no beam written
    QTest::newRow("1 Si: the catalogue") << 1u << BeamMaterial{"Si", 2329.0, double(1.88e11f)};
    QTest::newRow("3 thermal oxide: its own density, not copper's") << 3u << BeamMaterial{"Thermal Si02", 2200.0, double(7e10f)};
    QTest::newRow("9 gold") << 9u << BeamMaterial{"Au (bulk)", 19300.0, double(7.9e10f)};
    QTest::newRow("16 Poly-Si") << 16u << BeamMaterial{"Poly-Si", 2329.0, double(1.88e11f)};
    QTest::newRow("2: not in the catalogue, the table") << 2u << BeamMaterial{"material 2", 2700.0, 7e10};
    QTest::newRow("40: neither catalogue nor table") << 40u << BeamMaterial{"material 40", 0.0, 0.0};
    QTest::newRow("2000: a user material") << 2000u << BeamMaterial{"Stiff", double(1234.5f), double(2.5e11f)};
    QTest::newRow("2001: a user material without stiffness") << 2001u << BeamMaterial{"Soft", 1000.0, 0.0};
    QTest::newRow("2500: not in the catalogue") << 2500u << BeamMaterial{"material 2500", 0.0, 0.0};
}

void TestModelExtraction::materialConstants()
{
    QFETCH(std::uint32_t, material);
    QFETCH(BeamMaterial, expected);
    const bool written = expected.youngModulus > 0;
    const float color[4] = {1, 0, 0, 1};
    auto catalogue = Model::Materials::MaterialFactory::getInstance();
    catalogue->addMaterial(Model::Materials::Material(2000, QStringLiteral("Stiff"), 1234.5f, 2.5e11f, 0.3f, color));
    catalogue->addMaterial(Model::Materials::Material(2001, QStringLiteral("Soft"), 1000.0f, 0.0f, 0.3f, color));
    const BeamMaterial found = Core::Operations::BeamMaterials::of(material);
    QCOMPARE(found.name, expected.name);
    QCOMPARE(found.density, expected.density);
    QCOMPARE(found.youngModulus, expected.youngModulus);

    const auto lookup = Core::Operations::BeamMaterials::fromCatalogue();
    CantileverStructure structure({{envelopeOf({0, 0, 0, 10, 2, 1}, material), 0}}, CellSize(), lookup);
    QCOMPARE(!structure.netlist().isEmpty(), written);
    QCOMPARE(structure.skippedBeams().size(), written ? 0 : 1);
    // A skipped beam keeps the numbering of those written after it gap-free.
    CantileverStructure pair({{envelopeOf({0, 0, 0, 10, 2, 1}, material), 0},
                              {envelopeOf({0, 0, 0, 10, 2, 1}, 3), 0}},
                             CellSize(), lookup);
    QCOMPARE(pair.netlist().contains(QStringLiteral("\nc2 2 0 ")), written);
    QVERIFY(pair.netlist().contains(QStringLiteral("\n* beam 1: ")));
    QVERIFY(pair.netlist().contains(QStringLiteral("\nc1 1 0 ")));
}

void TestModelExtraction::largeBeamsDoNotWrap_data()
{
    QTest::addColumn<std::uint32_t>("sx");
    QTest::addColumn<std::uint32_t>("sy");
    QTest::addColumn<std::uint32_t>("sz");
    QTest::newRow("1,625 cells: below the wrap") << 1625u << 2u << 1u;
    QTest::newRow("1,626 cells") << 1626u << 2u << 1u;
    QTest::newRow("2,048 cells: the cube is 2^33") << 1u << 2048u << 1u;
    QTest::newRow("3,000 x 3,000 x 1,000 cells: mass too") << 3000u << 3000u << 1000u;
}

// Mass and stiffness are the formulas in double precision, never wrapped products.
void TestModelExtraction::largeBeamsDoNotWrap()
{
    QFETCH(std::uint32_t, sx);
    QFETCH(std::uint32_t, sy);
    QFETCH(std::uint32_t, sz);
    const CellSize cells{0.5, 0.5, 0.25};
    const int axis = sy > sx ? 1 : 0;
    const double length = (axis ? sy : sx) * 0.5e-6, width = (axis ? sx : sy) * 0.5e-6, thickness = sz * 0.25e-6;
    const auto dims = BeamPhysics::dimensionsOf(*envelopeOf({0, 0, 0, sx, sy, sz}, 3), axis, cells);
    const double k = BeamPhysics::stiffness(dims, 7e10);
    QVERIFY(qFuzzyCompare(k, 7e10 * width * std::pow(thickness, 3) / (4.0 * std::pow(length, 3))));
    const double mass = BeamPhysics::mass(dims, 2329.0);
    QVERIFY(qFuzzyCompare(mass, 2329.0 * double(std::uint64_t(sx) * sy * sz) * 0.0625e-18));
}

void TestModelExtraction::circuitSimulatorFindsTheResonance_data()
{
    using ExtractionTest::PostedBeam;
    QTest::addColumn<PostedBeam>("beam");
    auto beam = [](std::uint32_t material, std::uint32_t post, std::uint32_t length, float cell) {
        return PostedBeam{material, post, length, 4, 2, cell, cell, cell};
    };
    QTest::newRow("Poly-Si, 40 x 4 x 2 cells of 2 µm on oxide") << beam(16, 3, 40, 2.f);
    QTest::newRow("Poly-Si, 20 x 4 x 2 cells of 1 µm on oxide") << beam(16, 3, 20, 1.f);
    QTest::newRow("thermal oxide, 40 x 4 x 2 cells of 2 µm on Poly-Si") << beam(3, 16, 40, 2.f);
    QTest::newRow("thermal oxide, 20 x 4 x 2 cells of 1 µm on Poly-Si") << beam(3, 16, 20, 1.f);
    QTest::newRow("gold, 40 x 4 x 2 cells of 2 µm on oxide") << beam(9, 3, 40, 2.f);
    QTest::newRow("gold, 20 x 4 x 2 cells of 1 µm on oxide") << beam(9, 3, 20, 1.f);
    QTest::newRow("Poly-Si, 20 x 4 x 2 cells of 1.5 x 0.5 x 1 µm") << PostedBeam{16, 3, 20, 4, 2, 1.5f, 0.5f, 1.f};
    // Shorter than it is wide: only its direction tells which side is its length.
    QTest::newRow("gold along y, 20 x 8 x 2 cells of 1 x 4 x 0.5 µm")
        << PostedBeam{9, 16, 20, 8, 2, 4.f, 1.f, 0.5f, true};
}

// ngspice reads the written file as it is; with an AC sweep added, the beam's
// LC tank resonates at the cantilever's first bending mode, f1 = 0.1615 t /
// L^2 sqrt(E / rho) (S. Timoshenko, "Vibration Problems in Engineering", 1955),
// within the 1.5 % the lumped model's Rayleigh mass is known to give.
void TestModelExtraction::circuitSimulatorFindsTheResonance()
{
    QFETCH(ExtractionTest::PostedBeam, beam);
    const QString ngspice = QStandardPaths::findExecutable(QStringLiteral("ngspice"));
    if (ngspice.isEmpty())
        QSKIP("ngspice is not installed (Debian package \"ngspice\", installed by scripts/setup.sh)");

    const Model::Materials::Material material = Model::Materials::MaterialFactory::getInstance()->getMaterial(beam.material);
    QCOMPARE(material.getId(), beam.material);
    const double cellAlong = beam.alongY ? beam.cellY : beam.cellX;
    const double cellAcross = beam.alongY ? beam.cellX : beam.cellY;
    const double length = beam.length * cellAlong * 1e-6, thickness = beam.thickness * beam.cellZ * 1e-6;
    const double expected = 0.1615 * thickness / (length * length)
                            * std::sqrt(double(material.getYoungModulus()) / double(material.getDensity()));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString written = dir.filePath(QStringLiteral("beam.cir"));
    const auto result = Core::Operations::VolumeNetlist::write(*beam.volume(), written);
    QVERIFY2(result.written, qPrintable(result.error));
    QCOMPARE(result.beams, std::size_t(1));

    const QString text = QString::fromUtf8(TestFiles::read(written));
    const QString comment = QStringLiteral("* beam 1: %1, %2 x %3 x %4 µm, f1 = ")
                                .arg(material.getName())
                                .arg(length * 1e6)
                                .arg(beam.width * cellAcross)
                                .arg(thickness * 1e6);
    QVERIFY2(text.startsWith(QStringLiteral("Model extracted by Kestrum\n") + comment), qPrintable(text));
    const auto number = [&text](const char *line) {
        const QRegularExpression pattern(QString::fromLatin1(line), QRegularExpression::MultilineOption);
        return pattern.match(text).captured(1).toDouble();
    };
    const double c = number("^c1 1 0 (\\S+) $"), l = number("^l1 1 0 (\\S+) $"), stated = number("f1 = (\\S+) Hz $");
    QVERIFY(c > 0 && l > 0);

    // A current source, a resistor for a Q of 10 and a sweep around f1: the
    // phase of node 1 crosses zero at the resonance.
    QString deck = text;
    const int end = deck.lastIndexOf(QStringLiteral(".end"));
    QVERIFY(end > 0);
    deck.insert(end, QStringLiteral("i1 0 1 dc 0 ac 1\nr1 1 0 %1\n.ac dec 2000 %2 %3\n"
                                    ".save v(1)\n.meas ac fres when vp(1)=0\n")
                         .arg(10.0 * std::sqrt(l / c), 0, 'g', 12)
                         .arg(expected / 3.0, 0, 'g', 12)
                         .arg(expected * 3.0, 0, 'g', 12));
    const QString deckPath = dir.filePath(QStringLiteral("deck.cir"));
    QVERIFY(TestFiles::write(deckPath, deck.toUtf8()));

    for (const QString &input : {written, deckPath}) {
        QProcess run;
        run.start(ngspice, {QStringLiteral("-b"), input});
        QVERIFY(run.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(run.readAllStandardOutput() + run.readAllStandardError());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit, qPrintable(output));
        QVERIFY2(!output.contains(QStringLiteral("rror")), qPrintable(output));
        // The file alone reads cleanly; with nothing to simulate the exit code is not 0.
        if (input == written) {
            QVERIFY2(output.contains(QStringLiteral("Circuit: model extracted by kestrum")), qPrintable(output));
            continue;
        }
        QVERIFY2(run.exitCode() == 0, qPrintable(output));
        const auto found = QRegularExpression(QStringLiteral("fres\\s*=\\s*(\\S+)")).match(output);
        QVERIFY2(found.hasMatch(), qPrintable(output));
        const double measured = found.captured(1).toDouble();
        QVERIFY2(std::abs(measured - expected) < 0.03 * expected,
                 qPrintable(QStringLiteral("resonance %1 Hz, f1 %2 Hz").arg(measured).arg(expected)));
        // The comment states the resonance the pair gives.
        QVERIFY2(std::abs(stated - measured) < 1e-3 * measured,
                 qPrintable(QStringLiteral("comment %1 Hz, resonance %2 Hz").arg(stated).arg(measured)));
    }
}

// Substrate, sacrificial oxide, a Poly-Si film patterned by a mask and an
// isotropic oxide etch that undercuts the film's free end: one beam.
void TestModelExtraction::recipeCantilever()
{
    const std::uint32_t nx = 40, ny = 4, nz = 14;
    const std::uint32_t oxide = 3, film = 2, undercut = 12, filmEnd = 30;
    Util::BitVector mask(std::size_t(nx) * ny);
    for (std::size_t i = 0; i < std::size_t(filmEnd) * ny; ++i) // the film over x < filmEnd
        mask.set(i);
    const QList<Core::BatchRun::ProcessData> steps{
        stepOf(ProcessKey::CreateSubstrate, {{"Volume Size X", nx}, {"Volume Size Y", ny}, {"Volume Size Z", nz},
                                             {"Substrate Size X", nx}, {"Substrate Size Y", ny},
                                             {"Substrate Size Z", 4u}}),
        stepOf(ProcessKey::Cvd, {{"MaterialId", 3u}, {"Thickness", double(oxide)}}),
        stepOf(ProcessKey::Cvd, {{"MaterialId", 16u}, {"Thickness", double(film)}}),
        stepOf(ProcessKey::Photolithography, {{"MaterialId", 16u}, {"Top Mask", QVariant::fromValue(mask)},
                                              {"Top Mask Width", nx}, {"Top Mask Height", ny}}),
        stepOf(ProcessKey::IsotropicEtching, {{"MaterialId", 3u}, {"Depth", double(undercut)}}),
    };
    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    QCOMPARE(Core::BatchRun::BatchRunner(context).run(steps).stepsDone, steps.size());
    QVERIFY(context.volume);

    const ExtractedModel blocks = blocksOf(*context.volume);
    CantileverModelRule rule = Core::Operations::VolumeNetlist::ruleFor(*context.volume);
    QVERIFY(rule.apply(blocks));
    QCOMPARE(rule.getBeams().size(), std::size_t(1));
    const Envelope &beam = *rule.getBeams().front();
    QCOMPARE(beam.getMaterial(), 16u);
    // The film over the removed oxide, within one cell of the etch depth long.
    const auto ids = context.volume->materialIds();
    std::uint32_t released = 0;
    for (std::uint32_t x = 0; x < filmEnd; ++x)
        released += ids[context.volume->index(x, 0, 4 + oxide - 1)] == 0 ? 1 : 0;
    QCOMPARE(beam.getSize(0), released);
    QVERIFY(released + 1 >= undercut && released <= undercut);
    QCOMPARE(beam.getSize(1), ny);
    QCOMPARE(beam.getSize(2), film);
    QCOMPARE(beam.getOrigin(0) + beam.getSize(0), filmEnd);
    QCOMPARE(beam.getOrigin(2), 4u + oxide);
}

// The interactive extraction: selection, the three steps, finish and cancel.
void TestModelExtraction::waitsForAVolume()
{
    Core::Workspace workspace;
    auto operation = std::make_shared<RunModelExtraction>(&workspace);
    auto opener = std::make_shared<CallbackObserver>(nullptr);
    operation->setObserver(opener);
    operation->step();
    QCOMPARE(operation->getState(), std::uint32_t(RunModelExtraction::WaitingForVolume));
    QCOMPARE(workspace.getConsoleInput().getMessage(),
             QStringLiteral("Model Extraction: Select a cell volume and press Enter/Return."));
    QVERIFY(workspace.getSelection().isSelectionMode());
    QCOMPARE(opener->count, 0);
    // No step runs and nothing is written before a volume was taken.
    QCOMPARE(operation->runStepOne(), std::size_t(0));
    QVERIFY(operation->netlist().isEmpty());
}

void TestModelExtraction::stepsThenFinishOrCancel_data()
{
    QTest::addColumn<std::shared_ptr<Model::Automaton::TotalVolume>>("volume");
    QTest::addColumn<std::size_t>("beams");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("a beam on an anchor, finished") << ExtractionTest::anchoredBeam(2, 6, 2, 1) << std::size_t(1) << false;
    QTest::newRow("a beam on an anchor, cancelled") << ExtractionTest::anchoredBeam(2, 6, 2, 1) << std::size_t(1) << true;
    QTest::newRow("silicon only, finished")
        << ExtractionTest::volumeFrom(4, 4, 4, [](auto, auto, auto) { return 1u; }) << std::size_t(0) << false;
}

// The blocks, then the beams beside the volume; finish and cancel both take
// them away again and show the volume.
void TestModelExtraction::stepsThenFinishOrCancel()
{
    QFETCH(std::shared_ptr<Model::Automaton::TotalVolume>, volume);
    QFETCH(std::size_t, beams);
    QFETCH(bool, cancel);
    Core::Workspace workspace;
    volume->translate(Util::Vector3D(5, 6, 7));
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    auto operation = std::make_shared<RunModelExtraction>(&workspace);
    auto opener = std::make_shared<CallbackObserver>(nullptr);
    auto closer = std::make_shared<CallbackObserver>(nullptr);
    operation->setObserver(opener);
    operation->setCloseDialogObserver(closer);
    operation->step();
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Model Extraction: Cell volume selected."));
    QCOMPARE(operation->getState(), std::uint32_t(RunModelExtraction::DialogOpen));
    QCOMPARE(opener->count, 1);

    QVERIFY(operation->runStepOne() > 0);
    QVERIFY(volume->getPainter().isHidden());
    const auto blocks = operation->getBlockModel();
    QVERIFY(blocks);
    QCOMPARE(blocks->getPosition(), volume->getPosition());
    QCOMPARE(workspace.getDocument().getAllObjects().size(), 2);

    QCOMPARE(operation->runStepTwo(), beams);
    QCOMPARE(operation->getBeamModel() != nullptr, beams > 0);
    QCOMPARE(operation->netlist().isEmpty(), beams == 0);
    QCOMPARE(operation->noModelReason().isEmpty(), beams > 0);
    QCOMPARE(workspace.getDocument().getAllObjects().size(), beams > 0 ? 3 : 2);
    if (beams > 0) {
        // Ten cells to the right of the volume.
        const Util::Vector3D expected = volume->getPosition() + Util::Vector3D(volume->getSizeX() + 10.0, 0, 0);
        QCOMPARE(operation->getBeamModel()->getPosition(), expected);
    }

    if (cancel)
        operation->cancel();
    else
        operation->end();
    QCOMPARE(operation->getState(), std::uint32_t(RunModelExtraction::Done));
    QCOMPARE(workspace.getDocument().getAllObjects().size(), 1);
    QVERIFY(!volume->getPainter().isHidden());
    QCOMPARE(closer->count, cancel ? 1 : 0);
    QCOMPARE(workspace.getConsoleInput().getMessage(), cancel ? QStringLiteral("Extract Model: Operation canceled.")
                                                             : QStringLiteral("Model Extraction: Model extracted."));
    // Nothing extracted goes on the undo stack; a second end (the dialog
    // closing afterwards) changes nothing.
    QVERIFY(workspace.getUndoRedo().undoTopName().isEmpty());
    operation->end();
    QCOMPARE(closer->count, cancel ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestModelExtraction)
#include "tst_modelextraction.moc"

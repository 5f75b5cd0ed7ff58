#include "ExtractionTestSupport.h"

#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/ModelExtraction/VolumeNetlist.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/Voxel.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/ModelExtraction/BlockPartition.h"
#include "Model/ModelExtraction/CantileverModelRule.h"
#include "Model/ModelExtraction/CantileverStructure.h"
#include "Model/ModelExtraction/ExtractedModel.h"
#include "Model/ModelExtraction/ExtractedModelPainter.h"
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
using Core::BatchRun::ProcessData;
using Core::ProcessKey;

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

bool samePlanes(const Planes &a, const Planes &b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

Box boxOf(const Envelope &e)
{
    return {e.getOrigin(0), e.getOrigin(1), e.getOrigin(2), e.getSize(0), e.getSize(1), e.getSize(2)};
}

ExtractedModel blocksOf(TotalVolume &volume)
{
    return ExtractedModel(BlockPartition::run(volume));
}

QString netlistOf(std::uint32_t material, std::uint32_t sx, std::uint32_t sy, std::uint32_t sz)
{
    return CantileverStructure({std::make_shared<Envelope>(0, 0, 0, sx, sy, sz, material)}).netlist();
}

// A beam at (across, z) = (1, 1), held by silicon at one end. A silicon strip
// at (3, 0) beside it ends part way along and so cuts the beam there: the free
// end and the segment after it make one beam 10 cells long. The free end lies
// towards -x (-y along y) or, mirrored, towards +x (+y).
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

ProcessData makeStep(ProcessKey key, const QList<QPair<QString, QVariant>> &parameters)
{
    ProcessData step(Core::ProcessTable::listCode(key));
    for (const auto &p : parameters)
        step.setParameter(p.first, p.second, true);
    return step;
}

} // namespace

Q_DECLARE_METATYPE(std::shared_ptr<TotalVolume>)
Q_DECLARE_METATYPE(Box)

class TestModelExtraction : public QObject
{
    Q_OBJECT

private slots:
    void splitPlanes_data();
    void splitPlanes();
    void lastLayerDoesNotSplit_data();
    void lastLayerDoesNotSplit();
    void partitionMatchesPairwiseLinking_data();
    void partitionMatchesPairwiseLinking();
    void beams_data();
    void beams();
    void netlistText_data();
    void netlistText();
    void materialConstants_data();
    void materialConstants();
    void largeBeamsDoNotWrap_data();
    void largeBeamsDoNotWrap();
    void painterBoxes();
    void circuitSimulatorFindsTheResonance();
    void recipeCantilever();
};

void TestModelExtraction::splitPlanes_data()
{
    QTest::addColumn<std::shared_ptr<TotalVolume>>("volume");
    QTest::newRow("random 17 x 9 x 11, 3 materials") << randomVolume(1, 17, 9, 11, 3);
    QTest::newRow("random 40 x 5 x 7, 5 materials") << randomVolume(2, 40, 5, 7, 5);
    QTest::newRow("random 3 x 20 x 20, 2 materials") << randomVolume(3, 3, 20, 20, 2);
    QTest::newRow("uniform") << ExtractionTest::volumeFrom(12, 6, 6, [](auto, auto, auto) { return 1u; });
    QTest::newRow("one cell thick: no cell below every last index")
        << ExtractionTest::volumeFrom(8, 1, 8, [](auto x, auto, auto) { return x % 2; });
}

// Any number of slabs finds the planes that a plain scan of the volume finds.
void TestModelExtraction::splitPlanes()
{
    QFETCH(std::shared_ptr<TotalVolume>, volume);
    const Planes reference = referencePlanes(*volume);
    for (int slabs : {1, 2, 3, 7, 64})
        QVERIFY2(samePlanes(planesOf(*volume, slabs), reference), qPrintable(QStringLiteral("%1 slabs").arg(slabs)));
}

void TestModelExtraction::lastLayerDoesNotSplit_data()
{
    QTest::addColumn<int>("axis");
    QTest::addColumn<std::shared_ptr<TotalVolume>>("volume");
    QTest::addColumn<QVector<std::uint32_t>>("expectedX");
    QTest::addColumn<QVector<std::uint32_t>>("expectedY");
    QTest::addColumn<QVector<std::uint32_t>>("expectedZ");
    // Silicon with oxide in half of the last layer of one axis: the step
    // into that layer splits, the change inside it does not.
    QTest::newRow("last x layer") << 0 << ExtractionTest::volumeFrom(6, 6, 6, [](auto x, auto y, auto) {
        return x == 5 && y >= 3 ? 3u : 1u;
    }) << QVector<std::uint32_t>{5} << QVector<std::uint32_t>{} << QVector<std::uint32_t>{};
    QTest::newRow("last y layer") << 1 << ExtractionTest::volumeFrom(6, 6, 6, [](auto, auto y, auto z) {
        return y == 5 && z >= 3 ? 3u : 1u;
    }) << QVector<std::uint32_t>{} << QVector<std::uint32_t>{5} << QVector<std::uint32_t>{};
    QTest::newRow("last z layer") << 2 << ExtractionTest::volumeFrom(6, 6, 6, [](auto x, auto, auto z) {
        return z == 5 && x >= 3 ? 3u : 1u;
    }) << QVector<std::uint32_t>{} << QVector<std::uint32_t>{} << QVector<std::uint32_t>{5};
}

void TestModelExtraction::lastLayerDoesNotSplit()
{
    QFETCH(int, axis);
    QFETCH(std::shared_ptr<TotalVolume>, volume);
    QFETCH(QVector<std::uint32_t>, expectedX);
    QFETCH(QVector<std::uint32_t>, expectedY);
    QFETCH(QVector<std::uint32_t>, expectedZ);
    const Planes planes = planesOf(*volume, 0);
    QCOMPARE(QVector<std::uint32_t>(planes.x.begin(), planes.x.end()), expectedX);
    QCOMPARE(QVector<std::uint32_t>(planes.y.begin(), planes.y.end()), expectedY);
    QCOMPARE(QVector<std::uint32_t>(planes.z.begin(), planes.z.end()), expectedZ);
    // Two blocks: the bulk and the whole last layer, in the material of its first cell.
    const auto blocks = blocksOf(*volume).getEnvelopes();
    QCOMPARE(blocks.size(), std::size_t(2));
    QCOMPARE(blocks[1]->getOrigin(axis), 5u);
    QCOMPARE(blocks[1]->getSize(axis), 1u);
    QCOMPARE(blocks[1]->getMaterial(), 1u);
}

void TestModelExtraction::partitionMatchesPairwiseLinking_data()
{
    QTest::addColumn<std::shared_ptr<TotalVolume>>("volume");
    QTest::newRow("random 12 x 9 x 10, 3 materials") << randomVolume(11, 12, 9, 10, 3);
    QTest::newRow("random 20 x 4 x 8, 4 materials") << randomVolume(12, 20, 4, 8, 4);
    QTest::newRow("random 6 x 6 x 30, 2 materials") << randomVolume(13, 6, 6, 30, 2);
    QTest::newRow("all empty") << ExtractionTest::volumeFrom(5, 5, 5, [](auto, auto, auto) { return 0u; });
    QTest::newRow("beam on an anchor") << ExtractionTest::anchoredBeam(3, 7, 2, 1);
}

// The grid linking gives every block the neighbours that comparing the faces
// of every pair of blocks gives; blocks are the non-empty cells of the grid.
void TestModelExtraction::partitionMatchesPairwiseLinking()
{
    QFETCH(std::shared_ptr<TotalVolume>, volume);
    const Planes planes = referencePlanes(*volume);
    const auto ids = volume->materialIds();
    const auto envelopes = blocksOf(*volume).getEnvelopes();

    // The grid cells by a plain loop over the plane positions.
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
    QTest::addColumn<int>("beamCount");
    QTest::addColumn<Box>("firstBeam");
    QTest::newRow("silicon only") << ExtractionTest::volumeFrom(8, 8, 8, [](auto, auto, auto) { return 1u; }) << 0 << Box();
    QTest::newRow("one free block held on one side") << ExtractionTest::anchoredBeam(2, 3, 1, 1) << 1
                                                     << Box{2, 1, 1, 3, 1, 1};
    QTest::newRow("beam of silicon is substrate") << ExtractionTest::anchoredBeam(2, 6, 2, 1, 1) << 0 << Box();
    QTest::newRow("block resting on the substrate is no beam")
        << ExtractionTest::volumeFrom(8, 4, 4, [](auto x, auto y, auto z) {
               return z == 0 ? 1u : (z == 1 && y == 1 && x < 5 ? 3u : 0u);
           })
        << 0 << Box();
    for (const bool alongY : {false, true})
        for (const bool mirrored : {false, true}) {
            const std::uint32_t start = mirrored ? 2 : 0;
            QTest::addRow("free end towards %s%s", mirrored ? "+" : "-", alongY ? "y" : "x")
                << cutBeam(alongY, mirrored) << 1 << (alongY ? Box{1, start, 1, 1, 10, 1} : Box{start, 1, 1, 10, 1, 1});
        }
}

void TestModelExtraction::beams()
{
    QFETCH(std::shared_ptr<TotalVolume>, volume);
    QFETCH(int, beamCount);
    QFETCH(Box, firstBeam);
    const ExtractedModel blocks = blocksOf(*volume);
    CantileverModelRule rule;
    const auto structure = rule.apply(blocks);
    QCOMPARE(int(rule.getBeams().size()), beamCount);
    QCOMPARE(structure != nullptr, beamCount > 0);
    if (beamCount == 0) {
        QVERIFY(Core::Operations::VolumeNetlist::netlistOf(*volume).isEmpty());
        return;
    }
    QVERIFY(boxOf(*rule.getBeams().front()) == firstBeam);
    const QStringList lines = structure->netlist().split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("Model extracted by Kestrum"));
    QVERIFY(lines.value(1).startsWith(QStringLiteral("c1 1 0 ")));
    QVERIFY(lines.value(2).startsWith(QStringLiteral("l1 1 0 ")));
}

void TestModelExtraction::netlistText_data()
{
    QTest::addColumn<std::uint32_t>("material");
    QTest::addColumn<Box>("beam");
    QTest::addColumn<QString>("text");
    // M = 20 * 2.00129819772e-17 * 2329, c = M * 33 / 140; K = 7e10 * 3 * (1 * 2 / 12) / 1000.
    QTest::newRow("10 x 2 x 1 of material 1")
        << 1u << Box{0, 0, 0, 10, 2, 1}
        << QStringLiteral("Model extracted by Kestrum\nc1 1 0 2.19734e-13 \nl1 1 0 2.85714e-08 \n.end \n");
    QTest::newRow("3 x 1 x 1 of material 3")
        << 3u << Box{0, 0, 0, 3, 1, 1}
        << QStringLiteral("Model extracted by Kestrum\nc1 1 0 1.26519e-13 \nl1 1 0 1.54286e-09 \n.end \n");
}

void TestModelExtraction::netlistText()
{
    QFETCH(std::uint32_t, material);
    QFETCH(Box, beam);
    QFETCH(QString, text);
    QCOMPARE(netlistOf(material, std::get<3>(beam), std::get<4>(beam), std::get<5>(beam)), text);
    // Numbers in general notation with six digits, as C's %g writes them.
    QCOMPARE(CantileverStructure::formatNumber(1e6), QStringLiteral("1e+06"));
    QCOMPARE(CantileverStructure::formatNumber(123456.0), QStringLiteral("123456"));
    QCOMPARE(CantileverStructure::formatNumber(1234567.0), QStringLiteral("1.23457e+06"));
    QCOMPARE(CantileverStructure::formatNumber(0.0001), QStringLiteral("0.0001"));
    QCOMPARE(CantileverStructure::formatNumber(1.5e-5), QStringLiteral("1.5e-05"));
}

void TestModelExtraction::materialConstants_data()
{
    QTest::addColumn<std::uint32_t>("material");
    QTest::addColumn<double>("density");
    QTest::addColumn<double>("youngModulus");
    QTest::addColumn<bool>("written");
    QTest::newRow("1: the table, not the catalogue") << 1u << 2329.0 << 7e10 << true;
    QTest::newRow("15: last table row") << 15u << 1000.0 << 7e10 << true;
    QTest::newRow("16 Poly-Si: its catalogue entry") << 16u << 2329.0 << double(1.88e11f) << true;
    QTest::newRow("2000: a user material") << 2000u << double(1234.5f) << double(2.5e11f) << true;
    QTest::newRow("2001: a user material without stiffness") << 2001u << double(1000.0f) << 0.0 << false;
    QTest::newRow("2500: not in the catalogue") << 2500u << 0.0 << 0.0 << false;
}

void TestModelExtraction::materialConstants()
{
    QFETCH(std::uint32_t, material);
    QFETCH(double, density);
    QFETCH(double, youngModulus);
    QFETCH(bool, written);
    const float color[4] = {1, 0, 0, 1};
    auto catalogue = Model::Materials::MaterialFactory::getInstance();
    catalogue->addMaterial(Model::Materials::Material(2000, QStringLiteral("Stiff"), 1234.5f, 2.5e11f, 0.3f, color));
    catalogue->addMaterial(Model::Materials::Material(2001, QStringLiteral("Soft"), 1000.0f, 0.0f, 0.3f, color));
    const auto constants = CantileverStructure::constantsOf(material);
    QCOMPARE(constants.density, density);
    QCOMPARE(constants.youngModulus, youngModulus);

    CantileverStructure structure({std::make_shared<Envelope>(0, 0, 0, 10, 2, 1, material)});
    QCOMPARE(!structure.netlist().isEmpty(), written);
    QCOMPARE(structure.skippedBeams().size(), written ? 0 : 1);
    // A skipped beam keeps the numbering of those written after it gap-free.
    CantileverStructure pair({std::make_shared<Envelope>(0, 0, 0, 10, 2, 1, material),
                              std::make_shared<Envelope>(0, 0, 0, 10, 2, 1, 3)});
    QCOMPARE(pair.netlist().contains(QStringLiteral("c2 2 0 ")), written);
    QVERIFY(pair.netlist().contains(QStringLiteral("c1 1 0 ")));
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

// Sizes, their cubes and products stay exact: the stiffness is the double
// precision formula, never 0 or negative from a wrapped product.
void TestModelExtraction::largeBeamsDoNotWrap()
{
    QFETCH(std::uint32_t, sx);
    QFETCH(std::uint32_t, sy);
    QFETCH(std::uint32_t, sz);
    const double length = std::max(sx, sy), width = std::min(sx, sy), thickness = sz;
    const double k = CantileverStructure::stiffness(sx, sy, sz, 7e10);
    QCOMPARE(k, 7e10 * 3.0 * (thickness * thickness * thickness * width / 12.0) / (length * length * length));
    QVERIFY(k > 0.0);
    const double mass = CantileverStructure::effectiveMass(sx, sy, sz, 2329.0);
    QCOMPARE(mass, length * width * thickness * CantileverStructure::cellVolume * 2329.0 * 33.0 / 140.0);
    const QString text = netlistOf(3, sx, sy, sz);
    QVERIFY(text.contains(CantileverStructure::formatNumber(1.0 / CantileverStructure::stiffness(sx, sy, sz, 7e10))));
}

void TestModelExtraction::painterBoxes()
{
    const Envelope e(1, 2, 3, 4, 5, 6, 3);
    const auto box = ExtractedModelPainter::box(e);
    QCOMPARE(box.lower, Util::Vector3D(1, 2, 3 * 0.35355246));
    QCOMPARE(box.upper, Util::Vector3D(5, 7, 9 * 0.35355246));
    QCOMPARE(ExtractedModelPainter::paletteColor(0), (std::array<float, 3>{1, 0, 0}));
    QCOMPARE(ExtractedModelPainter::paletteColor(13), (std::array<float, 3>{0, 0, 0.5f}));
    QCOMPARE(ExtractedModelPainter::paletteColor(14), (std::array<float, 3>{1, 0, 0}));
}

// A circuit simulator takes the written file as it is: with a small-signal
// analysis added, the LC tank of the beam resonates at 1/(2 pi sqrt(L C)).
void TestModelExtraction::circuitSimulatorFindsTheResonance()
{
    const QString ngspice = QStandardPaths::findExecutable(QStringLiteral("ngspice"));
    if (ngspice.isEmpty())
        QSKIP("ngspice is not installed (Debian package \"ngspice\", installed by scripts/setup.sh)");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto volume = ExtractionTest::anchoredBeam(2, 10, 2, 1);
    const QString written = dir.filePath(QStringLiteral("beam.cir"));
    const auto result = Core::Operations::VolumeNetlist::write(*volume, written);
    QVERIFY2(result.written, qPrintable(result.error));

    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression cLine(QStringLiteral("^c1 1 0 (\\S+) $"), QRegularExpression::MultilineOption);
    const QRegularExpression lLine(QStringLiteral("^l1 1 0 (\\S+) $"), QRegularExpression::MultilineOption);
    const double c = cLine.match(text).captured(1).toDouble();
    const double l = lLine.match(text).captured(1).toDouble();
    QVERIFY(c > 0 && l > 0);
    const double expected = 1.0 / (2.0 * M_PI * std::sqrt(l * c));

    // The file as written, then a current source, a parallel resistor for a
    // quality factor of 10 (it leaves the resonance where it is) and an AC
    // sweep; the phase of node 1 crosses zero at the resonance.
    QString deck = text;
    const int end = deck.lastIndexOf(QStringLiteral(".end"));
    QVERIFY(end > 0);
    deck.insert(end, QStringLiteral("i1 0 1 dc 0 ac 1\nr1 1 0 %1\n.ac dec 2000 %2 %3\n"
                                    ".save v(1)\n.meas ac fres when vp(1)=0\n")
                         .arg(10.0 * std::sqrt(l / c), 0, 'g', 12)
                         .arg(expected / 10.0, 0, 'g', 12)
                         .arg(expected * 10.0, 0, 'g', 12));
    const QString deckPath = dir.filePath(QStringLiteral("deck.cir"));
    QFile deckFile(deckPath);
    QVERIFY(deckFile.open(QIODevice::WriteOnly | QIODevice::Text));
    deckFile.write(deck.toUtf8());
    deckFile.close();

    for (const QString &input : {written, deckPath}) {
        QProcess run;
        run.start(ngspice, {QStringLiteral("-b"), input});
        QVERIFY(run.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(run.readAllStandardOutput() + run.readAllStandardError());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit, qPrintable(output));
        QVERIFY2(!output.contains(QStringLiteral("rror")), qPrintable(output));
        // The file alone reads without complaint; with nothing to simulate
        // ngspice then ends with a non-zero code.
        if (input == written) {
            QVERIFY2(output.contains(QStringLiteral("Circuit: model extracted by kestrum")), qPrintable(output));
            continue;
        }
        QVERIFY2(run.exitCode() == 0, qPrintable(output));
        const auto found = QRegularExpression(QStringLiteral("fres\\s*=\\s*(\\S+)")).match(output);
        QVERIFY2(found.hasMatch(), qPrintable(output));
        const double measured = found.captured(1).toDouble();
        QVERIFY2(std::abs(measured - expected) < 1e-4 * expected,
                 qPrintable(QStringLiteral("resonance %1 Hz, expected %2 Hz").arg(measured).arg(expected)));
    }
}

// Substrate, sacrificial oxide, a Poly-Si film patterned by a mask and an
// isotropic oxide etch that undercuts the film's free end: one beam as long
// as the undercut, as wide as the film and as thick as the film.
void TestModelExtraction::recipeCantilever()
{
    const std::uint32_t nx = 40, ny = 4, nz = 14;
    const std::uint32_t oxide = 3, film = 2, undercut = 12, filmEnd = 30;
    Util::BitVector mask(std::size_t(nx) * ny);
    for (std::uint32_t x = 0; x < filmEnd; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            mask.set(std::size_t(x) * ny + y);
    const QList<ProcessData> steps{
        makeStep(ProcessKey::CreateSubstrate,
                 {{"MaterialId", 1u}, {"Lower Left Front Corner", QVariant::fromValue(Util::Vector3D())},
                  {"Volume Size X", nx}, {"Volume Size Y", ny}, {"Volume Size Z", nz},
                  {"SphericalSubstrate", false}, {"Substrate Size X", nx}, {"Substrate Size Y", ny},
                  {"Substrate Size Z", 4u}, {"Substrate Delta X", 0u}, {"Substrate Delta Y", 0u},
                  {"Substrate Delta Z", 0u}}),
        makeStep(ProcessKey::Cvd, {{"MaterialId", 3u}, {"Thickness", double(oxide)}}),
        makeStep(ProcessKey::Cvd, {{"MaterialId", 16u}, {"Thickness", double(film)}}),
        makeStep(ProcessKey::Photolithography,
                 {{"MaterialId", 16u}, {"Top Mask", QVariant::fromValue(mask)}, {"Top Mask Width", nx},
                  {"Top Mask Height", ny}, {"Bottom Mask", QVariant::fromValue(Util::BitVector())},
                  {"Bottom Mask Width", 0u}, {"Bottom Mask Height", 0u}}),
        makeStep(ProcessKey::IsotropicEtching, {{"MaterialId", 3u}, {"Depth", double(undercut)}}),
    };
    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    Core::BatchRun::BatchRunner runner(context);
    const auto summary = runner.run(steps);
    QCOMPARE(summary.stepsDone, steps.size());
    QVERIFY(context.volume);

    const ExtractedModel blocks = blocksOf(*context.volume);
    CantileverModelRule rule;
    QVERIFY(rule.apply(blocks));
    QCOMPARE(rule.getBeams().size(), std::size_t(1));
    const Envelope &beam = *rule.getBeams().front();
    QCOMPARE(beam.getMaterial(), 16u);
    // The beam is the film over the oxide the etch removed under it: as long
    // as the undercut, which lies within one cell of the etch depth.
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

QTEST_GUILESS_MAIN(TestModelExtraction)
#include "tst_modelextraction.moc"

#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/FrontReference.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

using Core::BatchRun::BatchStepExecutor;
using Core::BatchRun::ProcessData;

namespace {

using Parameters = QList<QPair<QString, QVariant>>;

struct CellSize
{
    float x = 1, y = 1, z = 1;
};

// A silicon floor with a post on it and a chromium seed on the floor beside
// the post; with `flat`, the floor alone, reaching every side of the volume.
TestSupport::ReferenceGrid structure(bool flat, CellSize size)
{
    return TestSupport::shaped(
        16, 16, 24,
        [flat](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t) {
            if (z < 6)
                return 1u;
            if (flat)
                return 0u;
            const bool post = x >= 5 && x < 10 && y >= 6 && y < 10;
            if (post && z < 12)
                return 1u;
            return z == 6 ? 4u : 0u;
        },
        size.x, size.y, size.z);
}

// The cells a step leaves, run on the structure with these cell sizes; the
// parameters named in `lengths` are multiplied by `scale` first.
std::vector<std::uint32_t> cellsAfter(int code, const Parameters &parameters, const QStringList &lengths,
                                      bool flat, CellSize size, double scale)
{
    const Core::ProcessTable::Kind *kind = Core::ProcessTable::byListCode(code);
    ProcessData step = Core::ProcessTable::defaultStep(kind->key);
    for (const auto &[name, value] : parameters) {
        const QVariant given = lengths.contains(name) ? QVariant(value.toDouble() * scale) : value;
        step.setParameter(name, given, true);
    }
    Core::Workspace workspace;
    BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = TestSupport::volumeOf(structure(flat, size));
    const int code_ = BatchStepExecutor().execute(step, context);
    if (code_ != BatchStepExecutor::Done)
        qWarning() << "step" << code << "ended with" << code_;
    return context.volume->materialIds();
}

} // namespace

Q_DECLARE_METATYPE(Parameters)

// One scene unit is one micrometre: a step given its lengths in µm turns
// them into cells through the volume's cell sizes, so the same structure at
// another cell size, with every length scaled alike, gives the same cells.
// Steps that count cells or layers give the same cells at any cell size.
class TestCellSizes : public QObject
{
    Q_OBJECT

private slots:
    void scaledLengthsGiveTheSameCells_data();
    void scaledLengthsGiveTheSameCells();
};

void TestCellSizes::scaledLengthsGiveTheSameCells_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Parameters>("parameters");
    QTest::addColumn<QStringList>("lengths");
    // False where the floor's sides shape the result: the wet etch's
    // {111} walls rise from the volume's sides at their angle in µm, so cells
    // of other sides hold another share of them (the crystal's own tests
    // compare such cells atom by atom).
    QTest::addColumn<bool>("heightOnly");

    const QString thickness = QStringLiteral("Thickness");
    const QString depth = QStringLiteral("Depth");
    QTest::newRow("isotropic deposition, 3 µm of oxide")
        << 4 << Parameters{{"MaterialId", 3u}, {thickness, 3.0}} << QStringList{thickness} << true;
    QTest::newRow("isotropic etching, 2 µm of silicon")
        << 5 << Parameters{{"MaterialId", 1u}, {depth, 2.0}} << QStringList{depth} << true;
    QTest::newRow("electroplating, 2 µm of copper on the chromium")
        << 7 << Parameters{{"ConductingMaterialId", 4u}, {"DepositedMaterialId", 5u}, {"Film Thickness", 2.0}}
        << QStringList{"Film Thickness"} << true;
    QTest::newRow("thermal doping, 2 µm")
        << 8 << Parameters{{"MaterialId", 1u}, {"Doping Depth", 2.0}, {"Doping Type", 0u}}
        << QStringList{"Doping Depth"} << true;
    QTest::newRow("PVD, 3 µm of chromium")
        << 12 << Parameters{{"MaterialId", 4u}, {"DepositOn", 1}, {"Horizontal to Vertical Ratio", 0.5}, {thickness, 3.0}}
        << QStringList{thickness} << true;
    QTest::newRow("ion implantation, 2 µm deep, 1 µm of anneal")
        << 14
        << Parameters{{"Annealing Distance", 1.0}, {"Implantation Depth", 2.0}, {"DopedMaterialId", 1u},
                      {"DopingTypeValue", 0u}}
        << QStringList{"Annealing Distance", "Implantation Depth"} << true;
    QTest::newRow("thermal oxidation, 4 µm")
        << 15 << Parameters{{"OxidationTimeSet", false}, {"Oxidation Thickness", 4.0}}
        << QStringList{"Oxidation Thickness"} << true;
    QTest::newRow("diffusion doping, 2 µm")
        << 16 << Parameters{{"DopedMaterialId", 1u}, {"Doping Depth", 2.0}, {"DopingTypeValue", 1u}}
        << QStringList{"Doping Depth"} << true;
    QTest::newRow("Si wet etching, 3 µm") << 1 << Parameters{{depth, 3.0}} << QStringList{depth} << false;
    QTest::newRow("Moore deposition, 2 cells") << 2 << Parameters{{"MaterialId", 4u}, {thickness, 2u}} << QStringList() << true;
    QTest::newRow("Moore etching, 1 cell") << 3 << Parameters{{"MaterialId", 1u}, {depth, 1u}} << QStringList() << true;
    QTest::newRow("planarization to layer 9")
        << 6 << Parameters{{"Maximum Height", 9u}, {"Minimum Height", 0u}} << QStringList() << true;
    QTest::newRow("spin coating to layer 14")
        << 9 << Parameters{{"MaterialId", 11u}, {"Maximum Height", 14u}} << QStringList() << true;
    QTest::newRow("simple RIE, 2 cells down")
        << 13 << Parameters{{"MaterialId", 1u}, {"Etch Depth", 2u}, {"EtchDirectionValue", 1}} << QStringList() << true;
}

void TestCellSizes::scaledLengthsGiveTheSameCells()
{
    QFETCH(int, code);
    QFETCH(Parameters, parameters);
    QFETCH(QStringList, lengths);
    QFETCH(bool, heightOnly);

    const std::vector<std::uint32_t> unit = cellsAfter(code, parameters, lengths, false, {}, 1.0);
    QVERIFY2(unit != structure(false, {}).ids, "the step changes the structure at 1 µm");
    for (const float size : {0.5f, 3.0f}) {
        const std::vector<std::uint32_t> scaled = cellsAfter(code, parameters, lengths, false, {size, size, size}, size);
        QVERIFY2(scaled == unit, qPrintable(QStringLiteral("cells of %1 µm").arg(double(size))));
    }
    // Cells of different sides: on a flat floor only the height counts, so
    // lengths scaled with the cells' height give the cells of 1 µm.
    if (!heightOnly)
        return;
    const CellSize tall{0.5f, 2.0f, 3.0f};
    const std::vector<std::uint32_t> flatUnit = cellsAfter(code, parameters, lengths, true, {}, 1.0);
    QVERIFY(cellsAfter(code, parameters, lengths, true, tall, double(tall.z)) == flatUnit);
}

QTEST_GUILESS_MAIN(TestCellSizes)
#include "tst_cellsizes.moc"

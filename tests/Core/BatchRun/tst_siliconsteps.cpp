#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/FrontReference.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

using Core::BatchRun::BatchStepExecutor;

namespace {

using Parameters = QList<QPair<QString, QVariant>>;

} // namespace

Q_DECLARE_METATYPE(Parameters)

// The silicon steps of a recipe: what they record for the volume, and that a
// step whose parameters do not fit changes nothing (every step run from the
// menu and from a list alike: tst_processtable).
class TestSiliconSteps : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
};

void TestSiliconSteps::steps_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Parameters>("parameters");
    QTest::addColumn<int>("code");
    QTest::addColumn<std::uint32_t>("recorded"); // 0: nothing recorded
    QTest::addColumn<bool>("latticeOutdated");
    QTest::addColumn<bool>("changes");
    const Parameters rie{{"MaterialId", 1u}, {"Etch Depth", 2u}, {"EtchDirectionValue", 1}};
    QTest::newRow("RIE of silicon") << 13 << rie << 0 << 30u << true << true;
    QTest::newRow("RIE of oxide, which no cell holds: nothing changes")
        << 13 << Parameters{{"MaterialId", 3u}, {"Etch Depth", 2u}, {"EtchDirectionValue", 3}} << 0 << 30u << true << false;
    QTest::newRow("RIE towards a direction that is none")
        << 13 << Parameters{{"MaterialId", 1u}, {"Etch Depth", 2u}, {"EtchDirectionValue", 4}} << 2 << 0u << false << false;
    QTest::newRow("diffusion doping without a depth")
        << 16 << Parameters{{"DopingTypeValue", 0u}, {"DopedMaterialId", 1u}} << 1 << 0u << false << false;
    QTest::newRow("oxidation for 2 h")
        << 15
        << Parameters{{"OxidationTimeSet", true}, {"Micron Conversion", 100.0}, {"Oxidation Pressure", 1.0},
                      {"Oxidation Temperature", 1273.0}, {"Oxidation Time", 2.0}}
        << 0 << 26u << true << true;
    QTest::newRow("oxidation with a temperature that is text")
        << 15
        << Parameters{{"OxidationTimeSet", true}, {"Micron Conversion", 100.0}, {"Oxidation Pressure", 1.0},
                      {"Oxidation Temperature", "hot"}, {"Oxidation Time", 2.0}}
        << 2 << 0u << false << false;
}

void TestSiliconSteps::steps()
{
    QFETCH(int, type);
    QFETCH(Parameters, parameters);
    QFETCH(int, code);
    QFETCH(std::uint32_t, recorded);
    QFETCH(bool, latticeOutdated);
    QFETCH(bool, changes);
    // 6 x 6 x 30 cells, silicon below z = 12.
    const auto grid = TestSupport::shaped(6, 6, 30, [](auto, auto, auto z, auto) { return z < 12 ? 1u : 0u; });
    const auto &ids = grid.ids;
    Core::Workspace workspace;
    BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = TestSupport::volumeOf(grid);
    const std::uint32_t id = context.volume->getObjectId();
    workspace.setSiLatticeOutdated(id, false);
    Core::BatchRun::ProcessData step(type);
    for (const auto &parameter : parameters)
        step.setParameter(parameter.first, parameter.second, true);

    QCOMPARE(BatchStepExecutor().execute(step, context), code);
    QCOMPARE(context.volume->materialIds() != ids, changes);
    QCOMPARE(workspace.lastOperationOn(id), recorded);
    QCOMPARE(workspace.isSiLatticeOutdated(id), latticeOutdated);
}

QTEST_GUILESS_MAIN(TestSiliconSteps)
#include "tst_siliconsteps.moc"

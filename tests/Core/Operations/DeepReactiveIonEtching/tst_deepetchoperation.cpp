#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtchingOperation.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Core/TestOperations.h"

#include <QtTest>

using Core::Operations::DeepReactiveIonEtching;
using Core::Operations::DeepReactiveIonEtchingOperation;
using Core::ProcessKey;
using Core::ProcessTable;
using Core::BatchRun::ProcessData;
using Model::Automaton::TotalVolume;

namespace {

// 48 x 4 x 40 cells of 1 µm: silicon below z = 30 under two layers of oxide
// with slots 4 and 16 cells wide.
std::shared_ptr<TotalVolume> slotVolume()
{
    return TestSupport::volumeFrom(48, 4, 40, [](auto x, auto, auto z) {
        const bool open = (x >= 8 && x < 12) || (x >= 24 && x < 40);
        return z < 30 ? 1u : z < 32 && !open ? 3u : 0u;
    });
}

ProcessData stepOf(std::uint32_t cycles, double etch, double passivation, bool arde)
{
    ProcessData step = ProcessTable::defaultStep(ProcessKey::DeepRie);
    step.setParameter(QStringLiteral("Cycles"), cycles, true);
    step.setParameter(QStringLiteral("Etch Per Cycle"), etch, true);
    step.setParameter(QStringLiteral("Passivation Thickness"), passivation, true);
    step.setParameter(QStringLiteral("ARDE"), arde, true);
    return step;
}

} // namespace

class TestDeepEtchOperation : public QObject
{
    Q_OBJECT

private slots:
    void menuAndBatchAgree_data();
    void menuAndBatchAgree();
    void refusedStepsAndIdleRuns_data();
    void refusedStepsAndIdleRuns();
};

void TestDeepEtchOperation::menuAndBatchAgree_data()
{
    QTest::addColumn<bool>("arde");
    QTest::newRow("ARDE") << true;
    QTest::newRow("plain") << false;
}

// The dialog's options through the operation and the same step in a batch
// give the same cells and the same finish line; undo gives back the cells
// before, redo those after.
void TestDeepEtchOperation::menuAndBatchAgree()
{
    QFETCH(bool, arde);
    const ProcessData step = stepOf(6, 2.0, 0.5, arde);

    Core::Workspace menuSide;
    auto volume = slotVolume();
    const auto before = volume->materialIds();
    menuSide.getDocument().addObject(volume);
    std::shared_ptr<DeepReactiveIonEtchingOperation> ran;
    TestSupport::playDialogs<DeepReactiveIonEtchingOperation>(menuSide, [&](DeepReactiveIonEtchingOperation &op) {
        op.setEtchMaterial(1);
        op.setCycles(6);
        op.setEtchPerCycle(2.0);
        op.setPassivationThickness(0.5);
        op.setAspectRatioDependent(arde);
        op.end();
    }, [&](std::uint32_t) {
        ran = std::make_shared<DeepReactiveIonEtchingOperation>(&menuSide);
        return ran;
    });
    const auto log = TestSupport::logMessages(menuSide);
    menuSide.getSelection().select(volume);
    menuSide.activate(ProcessTable::menuId(ProcessKey::DeepRie));
    QVERIFY(!menuSide.getCurrentOperation());
    QCOMPARE(menuSide.getUndoRedo().undoTopName(), QStringLiteral("DRIE (Bosch)"));
    QCOMPARE(ran->getOpenings().size(), std::size_t(2));
    const QString line = log->lines.last();
    QVERIFY2(line.contains(QStringLiteral("depth per opening")), qPrintable(line));

    Core::Workspace batchSide;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &batchSide;
    context.volume = slotVolume();
    batchSide.getDocument().addObject(context.volume);
    QCOMPARE(Core::BatchRun::BatchStepExecutor().execute(step, context), int(Core::BatchRun::BatchStepExecutor::Done));
    QVERIFY(context.volume->materialIds() == volume->materialIds());
    QVERIFY2(line.endsWith(context.effect.text() + QLatin1Char('.')),
             qPrintable(line + QStringLiteral(" | ") + context.effect.text()));
    if (arde)
        QVERIFY(ran->getOpenings()[0].depth < ran->getOpenings()[1].depth);
    else
        QCOMPARE(ran->getOpenings()[0].depth, ran->getOpenings()[1].depth);

    TestSupport::checkUndoRedo(menuSide, *volume, before);
}

void TestDeepEtchOperation::refusedStepsAndIdleRuns_data()
{
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("said");
    QTest::newRow("negative etch") << "Etch Per Cycle" << QVariant(-1.0) << 2 << "Etch Per Cycle";
    QTest::newRow("etch not a number") << "Etch Per Cycle" << QVariant(std::nan("")) << 2 << "Etch Per Cycle";
    QTest::newRow("too many cycles") << "Cycles" << QVariant(200000u) << 2 << "Cycles";
    QTest::newRow("no cycles") << "Cycles" << QVariant(0u) << 0 << "the cycle count is 0";
    QTest::newRow("a material the volume lacks") << "MaterialId" << QVariant(5u) << 0 << "holds no";
}

// Values outside their range skip the step with the parameter's name; a run
// that can change nothing says why.
void TestDeepEtchOperation::refusedStepsAndIdleRuns()
{
    QFETCH(QString, parameter);
    QFETCH(QVariant, value);
    QFETCH(int, code);
    QFETCH(QString, said);
    ProcessData step = stepOf(3, 2.0, 0.5, true);
    step.setParameter(parameter, value, true);
    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = slotVolume();
    workspace.getDocument().addObject(context.volume);
    const auto before = context.volume->materialIds();
    const int result = Core::BatchRun::BatchStepExecutor().execute(step, context);
    QVERIFY(context.volume->materialIds() == before);
    if (code == 0) {
        QCOMPARE(result, int(Core::BatchRun::BatchStepExecutor::Done));
        QVERIFY(context.effect.changedNothing());
        QVERIFY2(context.effect.text().contains(said), qPrintable(context.effect.text()));
    } else {
        QVERIFY(result != int(Core::BatchRun::BatchStepExecutor::Done));
    }
}

QTEST_GUILESS_MAIN(TestDeepEtchOperation)
#include "tst_deepetchoperation.moc"

#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/FrontReference.h"
#include "Core/ProcessRuns.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <limits>

using Core::ProcessKey;
using Core::ProcessTable;
using Core::BatchRun::BatchRunner;
using Core::BatchRun::BatchStepExecutor;
using Core::BatchRun::ProcessData;
using Model::Automaton::MemoryBudget;
using TestSupport::stepOf;

namespace {

const QString micrometres = QString::fromUtf8("\xc2\xb5m");

// A step as a data row: its kind and the parameters changed from the defaults.
struct StepRow
{
    ProcessKey key = ProcessKey::Cvd;
    QVariantMap settings;
};

// The refusal of a value outside its range.
QString outside(const char *name, const QString &range, const char *got)
{
    return QStringLiteral("\"%1\" must be a %2 (got %3)").arg(QLatin1String(name), range, QLatin1String(got));
}

// 8 x 8 x 12 cells, silicon below z = 4.
std::shared_ptr<Model::Automaton::TotalVolume> siliconFloor()
{
    return TestSupport::volumeOf(
        TestSupport::shaped(8, 8, 12, [](auto, auto, auto z, auto) { return z < 4 ? 1u : 0u; }));
}

} // namespace

Q_DECLARE_METATYPE(StepRow)

// Steps a recipe cannot mean, and steps that do not fit into memory, are
// skipped with their reason and leave the volume as it was.
class TestStepRefusals : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        MemoryBudget::setAvailableBytesForTesting(0);
        MemoryBudget::failNextClaimForTesting(false);
    }
    void impossibleValues_data()
    {
        QTest::addColumn<StepRow>("step");
        QTest::addColumn<QString>("reason"); // empty: the step runs
        const auto oxidation = [](QVariantMap more) {
            more.insert(QStringLiteral("OxidationTimeSet"), true);
            return StepRow{ProcessKey::SiOxidation, more};
        };
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        const QString length = "number from 0 to 1000000 " + micrometres, conversion = QStringLiteral(
            "number from 0.01 to 1000000 scene units per ") + micrometres;
        const QString cells = QStringLiteral("whole number from 0 to 1000000 cells");

        QTest::newRow("oxidation for 1e100 hours") << oxidation({{"Oxidation Time", 1e100}})
            << outside("Oxidation Time", QStringLiteral("number from 0 to 10000 hours"), "1e+100");
        QTest::newRow("oxidation converting 1e40 scene units per micrometre")
            << oxidation({{"Micron Conversion", 1e40}}) << outside("Micron Conversion", conversion, "1e+40");
        QTest::newRow("oxidation converting 0")
            << oxidation({{"Micron Conversion", 0.0}}) << outside("Micron Conversion", conversion, "0");
        QTest::newRow("oxidation at -10 K") << oxidation({{"Oxidation Temperature", -10.0}})
            << outside("Oxidation Temperature", QStringLiteral("number from 273 to 2000 K"), "-10");
        QTest::newRow("oxidation at a pressure that is not a number") << oxidation({{"Oxidation Pressure", nan}})
            << outside("Oxidation Pressure", QStringLiteral("number from 0 to 25 atm"), "nan");
        QTest::newRow("oxide thickness of infinity") << StepRow{ProcessKey::SiOxidation, {{"Oxidation Thickness", infinity}}}
            << outside("Oxidation Thickness", length, "inf");
        QTest::newRow("oxide thickness typed as inf") << StepRow{ProcessKey::SiOxidation, {{"Oxidation Thickness", "inf"}}}
            << outside("Oxidation Thickness", length, "inf");
        QTest::newRow("cvd of -5") << StepRow{ProcessKey::Cvd, {{"Thickness", -5.0f}}} << outside("Thickness", length, "-5");
        QTest::newRow("isotropic etching 1e7 deep")
            << StepRow{ProcessKey::IsotropicEtching, {{"Depth", 1e7}}} << outside("Depth", length, "1e+07");
        QTest::newRow("ion implantation annealing -1") << StepRow{ProcessKey::IonImplantation, {{"Annealing Distance", -1.0}}}
            << outside("Annealing Distance", length, "-1");
        QTest::newRow("diffusion doping 1e300 deep") << StepRow{ProcessKey::DiffusionDoping, {{"Doping Depth", 1e300}}}
            << outside("Doping Depth", length, "1e+300");
        QTest::newRow("si wet etch 1e9 deep")
            << StepRow{ProcessKey::SiWetEtching, {{"Depth", 1e9}}} << outside("Depth", length, "1e+09");
        QTest::newRow("moore deposition of 2000000 cells")
            << StepRow{ProcessKey::MooreDeposition, {{"Thickness", 2000000u}}} << outside("Thickness", cells, "2000000");
        QTest::newRow("rie 4000000000 cells deep")
            << StepRow{ProcessKey::SimpleRie, {{"Etch Depth", 4000000000u}}} << outside("Etch Depth", cells, "4e+09");
        // The ends of the ranges are values a user may give.
        QTest::newRow("oxidation for 0 hours") << oxidation({{"Oxidation Time", 0.0}}) << QString();
        QTest::newRow("oxidation at 2000 K, 25 atm")
            << oxidation({{"Oxidation Temperature", 2000.0}, {"Oxidation Pressure", 25.0}}) << QString();
        QTest::newRow("cvd of 1e6") << StepRow{ProcessKey::Cvd, {{"Thickness", 1e6f}}} << QString();
    }

    void impossibleValues()
    {
        QFETCH(StepRow, step);
        QFETCH(QString, reason);
        const bool refused = !reason.isEmpty();
        for (const bool strict : {false, true}) {
            Core::Workspace workspace;
            BatchStepExecutor::Context context;
            context.workspace = &workspace;
            context.volume = siliconFloor();
            const auto before = context.volume->materialIds();
            const std::uint32_t id = context.volume->getObjectId();
            workspace.setSiLatticeOutdated(id, false);
            QList<BatchRunner::StepReport> reports;
            BatchRunner runner(context);
            runner.setStrict(strict);
            runner.setStepFinished([&](const BatchRunner::StepReport &report) { reports << report; });
            // A step after it runs unless the run is strict and the first was refused.
            const ProcessData next = stepOf(ProcessKey::MooreDeposition, {{"MaterialId", 4u}});
            const BatchRunner::Summary summary = runner.run({stepOf(step.key, step.settings), next});

            QVERIFY(!reports.isEmpty());
            QCOMPARE(reports.first().reason, reason);
            QCOMPARE(reports.first().code, refused ? int(BatchStepExecutor::BadParameter) : int(BatchStepExecutor::Done));
            QCOMPARE(summary.stepsSkipped, refused ? 1 : 0);
            QCOMPARE(summary.stoppedOnSkip, refused && strict);
            QCOMPARE(reports.size(), refused && strict ? 1 : 2);
            if (refused && strict)
                QCOMPARE(context.volume->materialIds(), before);
            // Only a step that ran records itself and leaves the silicon lattice out of date.
            QCOMPARE(workspace.lastOperationOn(id) != 0, !(refused && strict));
            QCOMPARE(workspace.isSiLatticeOutdated(id), !(refused && strict));
        }
    }

    // What a dialog starts from is always a value a step may hold.
    void defaultsLieWithinTheirRanges()
    {
        for (const ProcessTable::Kind &kind : ProcessTable::kinds()) {
            for (const ProcessTable::Parameter &p : kind.parameters) {
                if (!p.range.isSet())
                    continue;
                bool ok = false;
                const double value = p.defaultValue.toDouble(&ok);
                QVERIFY2(ok && p.range.contains(value), qPrintable(kind.listName + ": " + p.name));
            }
        }
    }

    void outOfMemory_data()
    {
        QTest::addColumn<bool>("guard");       // true: the guard's figure is too small; false: the allocation fails
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("stepsDone");
        // 768 cells at 7 bytes: under 1 MiB, shown as "about 1 MiB".
        const QString unchanged = QStringLiteral("not enough memory for this step (needs about 1 MiB); the volume is unchanged");
        QTest::newRow("the guard refuses the front, and the Moore step after it") << true << false << unchanged << 0;
        QTest::newRow("the front's allocation fails; the next step runs") << false << false << unchanged << 1;
        QTest::newRow("the front's allocation fails in a strict run") << false << true << unchanged << 0;
    }

    void outOfMemory()
    {
        QFETCH(bool, guard);
        QFETCH(bool, strict);
        QFETCH(QString, reason);
        QFETCH(int, stepsDone);
        Core::Workspace workspace;
        BatchStepExecutor::Context context;
        context.workspace = &workspace;
        context.volume = siliconFloor();
        const auto before = context.volume->materialIds();
        // The volume is there; its front (7 bytes a cell) and the Moore state (1) do not fit.
        if (guard)
            MemoryBudget::setAvailableBytesForTesting(500);
        else
            MemoryBudget::failNextClaimForTesting();
        QList<BatchRunner::StepReport> reports;
        BatchRunner runner(context);
        runner.setStrict(strict);
        runner.setStepFinished([&](const BatchRunner::StepReport &report) { reports << report; });
        const auto cvd = stepOf(ProcessKey::Cvd, {{"Thickness", 2.0f}});
        const auto moore = stepOf(ProcessKey::MooreDeposition, {{"MaterialId", 4u}});
        const BatchRunner::Summary summary = runner.run({cvd, moore});

        QCOMPARE(reports.first().code, int(BatchStepExecutor::NotEnoughMemory));
        QCOMPARE(reports.first().reason, reason);
        QCOMPARE(summary.stepsDone, stepsDone);
        QCOMPARE(summary.stoppedOnSkip, strict);
        if (stepsDone == 0) {
            QCOMPARE(context.volume->materialIds(), before);
            QCOMPARE(workspace.lastOperationOn(context.volume->getObjectId()), 0u);
        } else {
            // Only the Moore film: one layer of material 4 on the silicon.
            const auto after = context.volume->materialIds();
            QVERIFY(std::count(after.begin(), after.end(), 3u) == 0);
            QCOMPARE(std::count(after.begin(), after.end(), 4u), std::ptrdiff_t(8 * 8));
        }
    }
};

QTEST_GUILESS_MAIN(TestStepRefusals)
#include "tst_steprefusals.moc"

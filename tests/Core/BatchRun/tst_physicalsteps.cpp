#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/RecipeJob.h"
#include "Core/BatchRun/StepSettings.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

using Core::ProcessKey;
using Core::ProcessTable;
using Core::BatchRun::ProcessData;

namespace {

const QString examples = QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/");

// FNV-1a over the material ids, cell by cell.
quint64 fingerprint(const std::vector<std::uint32_t> &ids)
{
    quint64 hash = 14695981039346656037ull;
    for (const std::uint32_t id : ids) {
        for (int byte = 0; byte < 4; ++byte) {
            hash ^= (id >> (8 * byte)) & 0xffu;
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

} // namespace

// The physical modes beside the geometric ones, as process lists see them.
class TestPhysicalSteps : public QObject
{
    Q_OBJECT

private slots:
    void listsWithoutThemRunAsBefore_data();
    void listsWithoutThemRunAsBefore();
    void defaultStepsLeaveThemOut();
    void settingsOutsideTheirRange_data();
    void settingsOutsideTheirRange();
};

void TestPhysicalSteps::listsWithoutThemRunAsBefore_data()
{
    QTest::addColumn<QString>("recipe");
    QTest::addColumn<QString>("input");
    QTest::addColumn<quint64>("cells");
    // The fingerprints of the cells these lists gave before the physical
    // modes existed: doping, diffusion doping, implantation, dry oxidation
    // by time, and the bond-counting etch of a masked wafer.
    QTest::newRow("silicon processes") << "silicon_processes.plst" << QString() << quint64(2922035150238692901ull);
    QTest::newRow("wet etch pyramid") << "si_wet_etch_pyramid.plst" << "masked_wafer.kst" << quint64(13451877884046708485ull);
}

void TestPhysicalSteps::listsWithoutThemRunAsBefore()
{
    QFETCH(QString, recipe);
    QFETCH(QString, input);
    QFETCH(quint64, cells);
    Core::BatchRun::RecipeJob job;
    QVERIFY(job.loadRecipe(examples + recipe));
    if (!input.isEmpty())
        QVERIFY(job.loadInput(examples + input));
    QCOMPARE(int(job.run(true)), int(Core::BatchRun::RecipeJob::Success));
    QCOMPARE(fingerprint(job.context().volume->materialIds()), cells);
}

// A default step (what the Batch Run dialog and the tests start from) holds
// no parameter of a physical mode, so it runs the geometric mode; the
// command-line help lists them with their ranges or choices.
void TestPhysicalSteps::defaultStepsLeaveThemOut()
{
    int modes = 0;
    for (const ProcessTable::Kind &kind : ProcessTable::kinds()) {
        const ProcessData step = ProcessTable::defaultStep(kind.key);
        for (const ProcessTable::Parameter &p : kind.parameters) {
            QCOMPARE(step.getParameters().contains(p.name), p.mode.isEmpty());
            if (p.mode.isEmpty())
                continue;
            ++modes;
            QVERIFY(p.optional);
            QVERIFY2(p.range.isSet() || !p.choices.isEmpty(), qPrintable(p.name));
        }
    }
    QCOMPARE(modes, 2 * 5 + 1 + 6 + 2 * 5);
    const QString help = ProcessTable::stepReference();
    QVERIFY(help.contains(QString::fromUtf8("\"Energy\" double [from 5 to 300 keV] (optional, for the implant by "
                                            "species, energy and dose)")));
    QVERIFY(help.contains(QStringLiteral("\"Etchant\" QString [KOH, custom] (optional, for the etch by etchant and time)")));
    QVERIFY(help.contains(QStringLiteral("\n  17 Continuous wet etching: \"Depth\" double")));
}

void TestPhysicalSteps::settingsOutsideTheirRange_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("valueRefused");
    QTest::addColumn<QString>("message");
    QTest::newRow("energy 900 keV") << 14 << "1.Energy=900" << true
        << "--set \"1.Energy=900\": \"Energy\" of step 1 (Ion Implantation) takes a number from 5 to 300 keV, not 900.";
    QTest::newRow("antimony") << 14 << "1.Species=Sb" << true
        << "--set \"1.Species=Sb\": \"Species\" of step 1 (Ion Implantation) takes one of B, P, As, not \"Sb\".";
    QTest::newRow("dose -1e12") << 14 << "1.Dose=-1e12" << true
        << QString::fromUtf8("--set \"1.Dose=-1e12\": \"Dose\" of step 1 (Ion Implantation) takes a number from 0 "
                             "to 1e+18 cm⁻², not -1e+12.");
    QTest::newRow("a geometric depth below 0") << 8 << "1.Doping Depth=-2" << true
        << QString::fromUtf8("--set \"1.Doping Depth=-2\": \"Doping Depth\" of step 1 (Doping) takes a number from 0 "
                             "to 1000000 µm, not -2.");
    QTest::newRow("an energy that is text: no value refusal") << 14 << "1.Energy=high" << false
        << "--set \"1.Energy=high\": \"Energy\" of step 1 (Ion Implantation) takes a number, not \"high\".";
    QTest::newRow("wet, in any case") << 15 << "1.Oxidation Ambient=Wet" << false << QString();
}

// A setting outside the declared range or choices is refused before
// anything runs (the tool's usage exit code), naming the field and its
// range, and the list keeps its values.
void TestPhysicalSteps::settingsOutsideTheirRange()
{
    QFETCH(int, type);
    QFETCH(QString, setting);
    QFETCH(bool, valueRefused);
    QFETCH(QString, message);
    const ProcessData original = ProcessTable::defaultStep(ProcessTable::byListCode(type)->key);
    QList<ProcessData> steps{original};
    Core::BatchRun::StepSettings settings;
    QCOMPARE(settings.apply({setting}, steps), message.isEmpty());
    QCOMPARE(settings.errorString(), message);
    QCOMPARE(settings.refusedValue(), valueRefused);
    if (!message.isEmpty())
        QVERIFY(steps.first().getParameters() == original.getParameters());
}

QTEST_GUILESS_MAIN(TestPhysicalSteps)
#include "tst_physicalsteps.moc"

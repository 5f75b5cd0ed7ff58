#include "Core/TestOperations.h"
#include "ExtractionTestSupport.h"

#include "Core/Operations/ModelExtraction/RunModelExtraction.h"
#include "Core/Workspace.h"
#include "Model/Document.h"
#include "Model/ModelExtraction/ExtractedModel.h"

#include <QtTest>

using Core::Operations::RunModelExtraction;
using TestSupport::CallbackObserver;

Q_DECLARE_METATYPE(std::shared_ptr<Model::Automaton::TotalVolume>)

// The interactive extraction: selection, the three steps, finish and cancel.
class TestRunModelExtraction : public QObject
{
    Q_OBJECT

private slots:
    void waitsForAVolume();
    void stepsThenFinishOrCancel_data();
    void stepsThenFinishOrCancel();
};

void TestRunModelExtraction::waitsForAVolume()
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

void TestRunModelExtraction::stepsThenFinishOrCancel_data()
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
void TestRunModelExtraction::stepsThenFinishOrCancel()
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

QTEST_GUILESS_MAIN(TestRunModelExtraction)
#include "tst_runmodelextraction.moc"

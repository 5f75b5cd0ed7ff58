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
    void stepsShowBlocksThenBeams_data();
    void stepsShowBlocksThenBeams();
    void finishAndCancelRestoreTheScene_data();
    void finishAndCancelRestoreTheScene();
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

void TestRunModelExtraction::stepsShowBlocksThenBeams_data()
{
    QTest::addColumn<std::shared_ptr<Model::Automaton::TotalVolume>>("volume");
    QTest::addColumn<std::size_t>("beams");
    QTest::newRow("a beam on an anchor") << ExtractionTest::anchoredBeam(2, 6, 2, 1) << std::size_t(1);
    QTest::newRow("silicon only")
        << ExtractionTest::volume(4, 4, 4, [](auto, auto, auto) { return 1u; }) << std::size_t(0);
}

void TestRunModelExtraction::stepsShowBlocksThenBeams()
{
    QFETCH(std::shared_ptr<Model::Automaton::TotalVolume>, volume);
    QFETCH(std::size_t, beams);
    Core::Workspace workspace;
    volume->translate(Util::Vector3D(5, 6, 7));
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    auto operation = std::make_shared<RunModelExtraction>(&workspace);
    auto opener = std::make_shared<CallbackObserver>(nullptr);
    operation->setObserver(opener);
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
    QCOMPARE(workspace.getDocument().getAllObjects().size(), beams > 0 ? 3 : 2);
    if (beams > 0) {
        // Ten cells to the right of the volume.
        const Util::Vector3D expected = volume->getPosition() + Util::Vector3D(volume->getSizeX() + 10.0, 0, 0);
        QCOMPARE(operation->getBeamModel()->getPosition(), expected);
    }
}

void TestRunModelExtraction::finishAndCancelRestoreTheScene_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("finish") << false;
    QTest::newRow("cancel") << true;
}

void TestRunModelExtraction::finishAndCancelRestoreTheScene()
{
    QFETCH(bool, cancel);
    Core::Workspace workspace;
    const auto volume = ExtractionTest::anchoredBeam(2, 6, 2, 1);
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    auto operation = std::make_shared<RunModelExtraction>(&workspace);
    auto closer = std::make_shared<CallbackObserver>(nullptr);
    operation->setCloseDialogObserver(closer);
    operation->step();
    operation->runStepOne();
    operation->runStepTwo();
    QCOMPARE(workspace.getDocument().getAllObjects().size(), 3);

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

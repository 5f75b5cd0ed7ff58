#include "Core/FrontReference.h"
#include "Core/TestOperations.h"

#include "Core/Operations/Film/AnisotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/ElectrodepositionOperation.h"
#include "Core/Operations/Film/MooreNeighborhoodDepositionOperation.h"
#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"
#include "Core/Operations/Film/PlanarizationOperation.h"
#include "Core/Operations/Film/SpinCoatingOperation.h"

#include <QtTest>

using namespace Core::Operations;
using namespace TestSupport;
using Options = std::function<void(VolumeProcessOperation &)>;
using Maker = std::function<std::shared_ptr<VolumeProcessOperation>(Core::Workspace *)>;

namespace {

template <class Op>
Maker make()
{
    return [](Core::Workspace *workspace) { return std::make_shared<Op>(workspace); };
}

// Plays the options dialog of one operation class.
template <class Op>
Options options(std::function<void(Op &)> set)
{
    return [set](VolumeProcessOperation &operation) { set(static_cast<Op &>(operation)); };
}

} // namespace

Q_DECLARE_METATYPE(Options)
Q_DECLARE_METATYPE(Maker)

class TestFilmOperations : public QObject
{
    Q_OBJECT

private slots:
    void runUndoRedo_data();
    void runUndoRedo();
    void cancelInTheDialog_data();
    void cancelInTheDialog();
};

void TestFilmOperations::runUndoRedo_data()
{
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<Options>("options");
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("recorded");

    QTest::newRow("electroplating") << make<ElectrodepositionOperation>()
                                    << options<ElectrodepositionOperation>([](auto &op) {
                                           op.setThickness(2.0f);
                                           op.setMaterial(4);
                                           op.setConductingMaterial(2);
                                       })
                                    << "Electroplating" << 15u;
    QTest::newRow("pvd") << make<AnisotropicFilmDepositionOperation>()
                         << options<AnisotropicFilmDepositionOperation>([](auto &op) {
                                op.setThickness(2.0f);
                                op.setMaterial(1);
                                op.setRatio(0.5f);
                                op.setDepositOn(3);
                            })
                         // its own id, the one its batch step records too
                         << "Isotropic Deposition" << 27u;
    QTest::newRow("moore deposition")
        << make<MooreNeighborhoodDepositionOperation>()
        << options<MooreNeighborhoodDepositionOperation>([](auto &op) { op.setMaterial(4); op.setSteps(2); })
        << "Moore film deposition" << 18u;
    QTest::newRow("moore etching of silicon")
        << make<MooreNeighborhoodEtchingOperation>()
        << options<MooreNeighborhoodEtchingOperation>([](auto &op) { op.setMaterial(1); op.setSteps(1); })
        << "Moore film deposition" << 19u;
    QTest::newRow("planarization")
        << make<PlanarizationOperation>()
        << options<PlanarizationOperation>([](auto &op) { op.setMaximumHeight(4); op.setMinimumHeight(1); })
        << "Planarization" << 22u;
    QTest::newRow("spin coating")
        << make<SpinCoatingOperation>()
        << options<SpinCoatingOperation>([](auto &op) { op.setMaterial(5); op.setHeight(5); }) << "Spin Coating"
        << 23u;
}

// Each operation runs from the workspace with its dialog played, records
// itself for the volume, and undo and redo restore the cells exactly.
void TestFilmOperations::runUndoRedo()
{
    QFETCH(Maker, maker);
    QFETCH(Options, options);
    QFETCH(QString, name);
    QFETCH(uint, recorded);
    Core::Workspace workspace;
    // Silicon floor z < 3, a pad of material 2 on it, empty above.
    const auto grid = shaped(8, 8, 8, [](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t) {
        return z < 3 ? 1u : z == 3 && x > 2 && x < 6 && y > 2 && y < 6 ? 2u : 0u;
    });
    const auto &ids = grid.ids;
    auto volume = volumeOf(grid);
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    auto factory = std::make_shared<DialogFactory<VolumeProcessOperation>>(
        &workspace, [&](std::uint32_t) { return maker(&workspace); });
    factory->dialog = [&](VolumeProcessOperation &op) {
        options(op);
        op.end();
    };
    workspace.setOperationFactory(factory);
    const auto log = logMessages(workspace);
    workspace.getSelection().select(volume);
    workspace.activate(1);

    const auto after = volume->materialIds();
    QVERIFY(after != ids);
    QCOMPARE(log->lines.last(), name + QStringLiteral(": Operation finished."));
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), std::uint32_t(recorded));
    // Every run that changes cells leaves the atomistic lattice out of date.
    QVERIFY(workspace.isSiLatticeOutdated(volume->getObjectId()));
    auto &stack = workspace.getUndoRedo();
    QCOMPARE(stack.undoTopName(), name);
    QVERIFY(stack.undo());
    QCOMPARE(volume->materialIds(), ids);
    QVERIFY(stack.redo());
    QCOMPARE(volume->materialIds(), after);
    QVERIFY(stack.undo());
    QCOMPARE(volume->materialIds(), ids);
}

void TestFilmOperations::cancelInTheDialog_data()
{
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<QString>("message");
    QTest::newRow("planarization") << make<PlanarizationOperation>() << "Planarization: Operation canceled!";
    QTest::newRow("spin coating") << make<SpinCoatingOperation>() << "Spin Coating: Operation canceled.";
    QTest::newRow("moore etching") << make<MooreNeighborhoodEtchingOperation>()
                                   << "Moore film deposition: Operation canceled.";
}

// Cancel ends the operation; a finish with options missing behaves as cancel.
void TestFilmOperations::cancelInTheDialog()
{
    QFETCH(Maker, maker);
    QFETCH(QString, message);
    Core::Workspace workspace;
    auto volume = makeVolume(4, 4, 4, 1);
    const auto before = volume->materialIds();
    for (const bool half : {false, true}) {
        auto factory = std::make_shared<DialogFactory<VolumeProcessOperation>>(
            &workspace, [&](std::uint32_t) { return maker(&workspace); });
        factory->dialog = [half](VolumeProcessOperation &op) {
            if (half) {
                if (auto *planarization = dynamic_cast<PlanarizationOperation *>(&op))
                    planarization->setMaximumHeight(1); // the minimum is missing
                op.end();
            } else {
                op.cancel();
            }
        };
        workspace.setOperationFactory(factory);
        const auto log = logMessages(workspace);
        workspace.getSelection().select(volume);
        workspace.activate(1);
        QCOMPARE(log->lines.last(), message);
        QVERIFY(!workspace.getCurrentOperation());
        QCOMPARE(volume->materialIds(), before);
        QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
    }
}

QTEST_GUILESS_MAIN(TestFilmOperations)
#include "tst_filmoperations.moc"

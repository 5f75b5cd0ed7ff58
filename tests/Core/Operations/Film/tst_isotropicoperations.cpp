#include "Core/TestOperations.h"

#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"

#include <QtTest>

#include <algorithm>

using Core::Operations::IsotropicFilmEtchingOperation;
using namespace TestSupport;

class TestIsotropicOperations : public QObject
{
    Q_OBJECT

private slots:
    void etchUndoRedoAndBookkeeping();
};

// Etching one cell of silicon off a 5 x 5 x 5 volume, three layers deep.
void TestIsotropicOperations::etchUndoRedoAndBookkeeping()
{
    Core::Workspace workspace;
    std::vector<std::uint32_t> ids(125);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = i % 5 < 3 ? 1u : 0u;
    auto volume = std::make_shared<Model::Automaton::TotalVolume>(5, 5, 5, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    auto factory = std::make_shared<DialogFactory<IsotropicFilmEtchingOperation>>(
        &workspace, [&workspace](std::uint32_t) { return std::make_shared<IsotropicFilmEtchingOperation>(&workspace); });
    factory->dialog = [](IsotropicFilmEtchingOperation &op) {
        op.setDepth(1.0f);
        op.setMaterial(1);
        op.end();
    };
    workspace.setOperationFactory(factory);
    workspace.getSelection().select(volume);
    workspace.activate(IsotropicFilmEtchingOperation::operationId);
    // The state records are keyed by process.
    QFile undo(workspace.getUndoFileName());
    QVERIFY(undo.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(undo.readAll().startsWith("IsotropicEtching "));

    const auto after = volume->materialIds();
    for (std::size_t i = 0; i < after.size(); ++i)
        QCOMPARE(after[i], i % 5 < 2 ? 1u : 0u);
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), IsotropicFilmEtchingOperation::operationId);
    QVERIFY(workspace.isSiLatticeOutdated(volume->getObjectId())); // silicon was etched

    auto &stack = workspace.getUndoRedo();
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == ids);
    QVERIFY(stack.redo());
    QVERIFY(volume->materialIds() == after);
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == ids);
}

QTEST_GUILESS_MAIN(TestIsotropicOperations)
#include "tst_isotropicoperations.moc"

#include "../TestOperations.h"

#include "Core/Operations/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/IsotropicFilmEtchingOperation.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <cstdint>
#include <algorithm>
#include <functional>

using Core::Operations::IsotropicFilmDepositionOperation;
using Core::Operations::IsotropicFilmEtchingOperation;
using Core::Operations::VolumeProcessOperation;
using Model::Automaton::TotalVolume;
using namespace TestSupport;

namespace {

enum class Kind { Deposition, Etching };

std::shared_ptr<VolumeProcessOperation> makeOperation(Kind kind, Core::Workspace *workspace)
{
    if (kind == Kind::Deposition)
        return std::make_shared<IsotropicFilmDepositionOperation>(workspace);
    return std::make_shared<IsotropicFilmEtchingOperation>(workspace);
}

// The two setters of either process, the way the observers call them.
void setDistance(VolumeProcessOperation &operation, float value)
{
    if (auto *deposition = dynamic_cast<IsotropicFilmDepositionOperation *>(&operation))
        deposition->setThickness(value);
    else
        dynamic_cast<IsotropicFilmEtchingOperation &>(operation).setDepth(value);
}

void setMaterial(VolumeProcessOperation &operation, std::uint32_t id)
{
    if (auto *deposition = dynamic_cast<IsotropicFilmDepositionOperation *>(&operation))
        deposition->setMaterial(id);
    else
        dynamic_cast<IsotropicFilmEtchingOperation &>(operation).setMaterial(id);
}

// Operations 13 and 14 with `dialog` playing the options dialog.
void useProcesses(Core::Workspace &workspace, std::function<void(VolumeProcessOperation &)> dialog)
{
    auto factory = std::make_shared<DialogFactory<VolumeProcessOperation>>(&workspace, [&workspace](std::uint32_t id) {
        return id == IsotropicFilmDepositionOperation::operationId ? makeOperation(Kind::Deposition, &workspace)
            : id == IsotropicFilmEtchingOperation::operationId   ? makeOperation(Kind::Etching, &workspace)
                                                                 : nullptr;
    });
    factory->dialog = std::move(dialog);
    workspace.setOperationFactory(factory);
}

// nx x ny x nz cells, material `fill` below z = `height`, empty above.
std::shared_ptr<TotalVolume> slab(std::uint32_t n, std::uint32_t height, std::uint32_t fill)
{
    std::vector<std::uint32_t> ids(std::size_t(n) * n * n, 0);
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y)
            for (std::uint32_t z = 0; z < height; ++z)
                ids[(std::size_t(x) * n + y) * n + z] = fill;
    return std::make_shared<TotalVolume>(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

// The ids of one z layer of a cubic volume.
QSet<std::uint32_t> layer(const std::vector<std::uint32_t> &ids, std::uint32_t n, std::uint32_t z)
{
    QSet<std::uint32_t> result;
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y)
            result.insert(ids[(std::size_t(x) * n + y) * n + z]);
    return result;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestIsotropicOperations : public QObject
{
    Q_OBJECT

private slots:
    void finishThresholds_data();
    void finishThresholds();
    void messagesInOrder_data();
    void messagesInOrder();
    void undoRedoAndBookkeeping_data();
    void undoRedoAndBookkeeping();
};

void TestIsotropicOperations::finishThresholds_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("withVolume");
    QTest::addColumn<int>("setters");
    QTest::addColumn<bool>("finishes");
    for (Kind kind : {Kind::Deposition, Kind::Etching}) {
        const char *k = kind == Kind::Deposition ? "deposition" : "etching";
        QTest::addRow("%s: volume only (state 1)", k) << kind << true << 0 << false;
        QTest::addRow("%s: volume and one option (state 2)", k) << kind << true << 1 << false;
        QTest::addRow("%s: volume and both options (state 3)", k) << kind << true << 2 << true;
        QTest::addRow("%s: both options, no volume", k) << kind << false << 2 << false;
        QTest::addRow("%s: options given twice, no volume", k) << kind << false << 4 << false;
    }
}

void TestIsotropicOperations::finishThresholds()
{
    QFETCH(Kind, kind);
    QFETCH(bool, withVolume);
    QFETCH(int, setters);
    QFETCH(bool, finishes);
    Core::Workspace workspace;
    auto log = logMessages(workspace);
    // Deposition of 9 on a 5-slab, etching of 5 from it: either changes the top layer.
    auto volume = slab(4, 2, 5);
    const auto before = volume->materialIds();
    auto operation = makeOperation(kind, &workspace);
    if (withVolume)
        operation->setVolume(volume);
    for (int i = 0; i < setters; ++i) {
        if (i % 2 == 0)
            setDistance(*operation, 1.0f);
        else
            setMaterial(*operation, kind == Kind::Deposition ? 9 : 5);
    }
    operation->end();

    const QString suffix = finishes ? QStringLiteral(": Operation finished.") : QStringLiteral(": Operation canceled.");
    QCOMPARE(log->lines, QStringList{operation->getName() + suffix});
    QCOMPARE(volume->materialIds() != before, finishes);
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), finishes ? operation->getId() : 0u);
}

void TestIsotropicOperations::messagesInOrder_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("deposition") << Kind::Deposition;
    QTest::newRow("etching") << Kind::Etching;
}

void TestIsotropicOperations::messagesInOrder()
{
    QFETCH(Kind, kind);
    Core::Workspace workspace;
    auto log = logMessages(workspace);
    int dialogs = 0;
    useProcesses(workspace, [&dialogs](VolumeProcessOperation &op) {
        ++dialogs;
        QCOMPARE(op.getState(), 2u);
    });
    auto volume = slab(4, 2, 5);
    workspace.getDocument().addObject(volume);

    workspace.activate(kind == Kind::Deposition ? 13 : 14);
    QVERIFY(workspace.getSelection().isSelectionMode());
    // Enter/Return with nothing selected asks again; once the volume is
    // taken it asks nothing more.
    workspace.getConsoleInput().processLine(QString());
    QCOMPARE(dialogs, 0);
    workspace.getSelection().togglePicked(volume->getObjectId());
    workspace.getConsoleInput().processLine(QString());
    workspace.getConsoleInput().processLine(QString());
    QCOMPARE(dialogs, 1);
    auto operation = std::dynamic_pointer_cast<VolumeProcessOperation>(workspace.getCurrentOperation());
    QVERIFY(operation);
    setDistance(*operation, 1.0f);
    setMaterial(*operation, kind == Kind::Deposition ? 9 : 5);
    operation->end();

    const QString name = kind == Kind::Deposition ? QStringLiteral("Isotropic Deposition")
                                                  : QStringLiteral("Isotropic Etching");
    const QString prompt = name + ": Select a cell volume and press Enter/Return.";
    QCOMPARE(log->lines, QStringList({prompt, prompt, name + ": Cell volume selected.", name + ": Operation finished."}));
    QVERIFY(!workspace.getCurrentOperation());
    QVERIFY(!workspace.getSelection().isSelectionMode());
    QCOMPARE(workspace.getUndoRedo().undoTopName(), name);
}

void TestIsotropicOperations::undoRedoAndBookkeeping_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<std::uint32_t>("material");
    QTest::addColumn<std::uint32_t>("substrate");
    QTest::addColumn<QSet<std::uint32_t>>("topAfter"); // ids of layer z = 2 after the run
    QTest::addColumn<bool>("latticeOutdated");
    QTest::newRow("deposit oxide on silicon") << Kind::Deposition << 3u << 1u << QSet<std::uint32_t>{3} << false;
    QTest::newRow("deposit silicon on oxide") << Kind::Deposition << 1u << 3u << QSet<std::uint32_t>{1} << true;
    QTest::newRow("etch oxide") << Kind::Etching << 3u << 3u << QSet<std::uint32_t>{0} << false;
    QTest::newRow("etch silicon") << Kind::Etching << 1u << 1u << QSet<std::uint32_t>{0} << true;
}

void TestIsotropicOperations::undoRedoAndBookkeeping()
{
    QFETCH(Kind, kind);
    QFETCH(std::uint32_t, material);
    QFETCH(std::uint32_t, substrate);
    QFETCH(QSet<std::uint32_t>, topAfter);
    QFETCH(bool, latticeOutdated);
    const std::uint32_t n = 5;
    Core::Workspace workspace;
    // Deposition grows on a 2-layer slab (layer 2 fills); etching eats the
    // top of a 3-layer slab (layer 2 empties).
    auto volume = slab(n, kind == Kind::Deposition ? 2 : 3, substrate);
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    const auto before = volume->materialIds();

    useProcesses(workspace, [=](VolumeProcessOperation &op) {
        setDistance(op, 1.0f);
        setMaterial(op, material);
        op.end();
    });
    workspace.getSelection().select(volume);
    workspace.activate(kind == Kind::Deposition ? 13 : 14);
    // The state records are keyed by process.
    QFile undo(workspace.getUndoFileName());
    QVERIFY(undo.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(undo.readAll().startsWith(kind == Kind::Deposition ? "IsotropicDeposition " : "IsotropicEtching "));

    const auto after = volume->materialIds();
    QCOMPARE(layer(after, n, 2), topAfter);
    QCOMPARE(layer(after, n, 1), QSet<std::uint32_t>{substrate});
    QCOMPARE(layer(after, n, 3), QSet<std::uint32_t>{0});
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), kind == Kind::Deposition ? 13u : 14u);
    QCOMPARE(workspace.isSiLatticeOutdated(volume->getObjectId()), latticeOutdated);

    auto &stack = workspace.getUndoRedo();
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
    // Both cell arrays are restored, not only the one drawn.
    const Model::Automaton::Voxel *next = volume->lockNextCells();
    const bool nextMatches = std::equal(before.begin(), before.end(), next,
                                        [](std::uint32_t id, const Model::Automaton::Voxel &c) { return c.material == id; });
    volume->unlockNextCells();
    QVERIFY(nextMatches);

    QVERIFY(stack.redo());
    QVERIFY(volume->materialIds() == after);
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
}

QTEST_GUILESS_MAIN(TestIsotropicOperations)
#include "tst_isotropicoperations.moc"

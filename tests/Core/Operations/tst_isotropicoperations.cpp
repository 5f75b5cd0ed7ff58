#include "../TestOperations.h"

#include "Core/Operations/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/IsotropicFilmEtchingOperation.h"
#include "Model/Automaton/TotalVolume.h"

#include <QtTest>

#include <algorithm>

using Core::Operations::IsotropicFilmDepositionOperation;
using Core::Operations::IsotropicFilmEtchingOperation;
using Core::Operations::VolumeProcessOperation;
using Model::Automaton::TotalVolume;
using namespace TestSupport;

namespace {

const std::uint32_t n = 5;

// n x n x n cells, material `fill` below z = `height`, empty above.
std::shared_ptr<TotalVolume> slab(std::uint32_t height, std::uint32_t fill)
{
    std::vector<std::uint32_t> ids(std::size_t(n) * n * n, 0);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = i % n < height ? fill : 0;
    return std::make_shared<TotalVolume>(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

// The ids of one z layer.
QSet<std::uint32_t> layer(const std::vector<std::uint32_t> &ids, std::uint32_t z)
{
    QSet<std::uint32_t> result;
    for (std::size_t i = z; i < ids.size(); i += n)
        result.insert(ids[i]);
    return result;
}

} // namespace

class TestIsotropicOperations : public QObject
{
    Q_OBJECT

private slots:
    void undoRedoAndBookkeeping_data();
    void undoRedoAndBookkeeping();
};

void TestIsotropicOperations::undoRedoAndBookkeeping_data()
{
    QTest::addColumn<bool>("deposition");
    QTest::addColumn<std::uint32_t>("material");
    QTest::addColumn<std::uint32_t>("substrate");
    QTest::addColumn<std::uint32_t>("topAfter"); // id of layer z = 2 after the run
    QTest::addColumn<bool>("latticeOutdated");
    QTest::newRow("deposit oxide on silicon") << true << 3u << 1u << 3u << false;
    QTest::newRow("deposit silicon on oxide") << true << 1u << 3u << 1u << true;
    QTest::newRow("etch oxide") << false << 3u << 3u << 0u << false;
    QTest::newRow("etch silicon") << false << 1u << 1u << 0u << true;
}

void TestIsotropicOperations::undoRedoAndBookkeeping()
{
    QFETCH(bool, deposition);
    QFETCH(std::uint32_t, material);
    QFETCH(std::uint32_t, substrate);
    QFETCH(std::uint32_t, topAfter);
    QFETCH(bool, latticeOutdated);
    Core::Workspace workspace;
    // Deposition grows on a 2-layer slab (layer 2 fills); etching eats the
    // top of a 3-layer slab (layer 2 empties).
    auto volume = slab(deposition ? 2 : 3, substrate);
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    const auto before = volume->materialIds();

    auto factory = std::make_shared<DialogFactory<VolumeProcessOperation>>(
        &workspace, [&workspace](std::uint32_t id) -> std::shared_ptr<VolumeProcessOperation> {
            if (id == IsotropicFilmDepositionOperation::operationId)
                return std::make_shared<IsotropicFilmDepositionOperation>(&workspace);
            if (id == IsotropicFilmEtchingOperation::operationId)
                return std::make_shared<IsotropicFilmEtchingOperation>(&workspace);
            return nullptr;
        });
    factory->dialog = [=](VolumeProcessOperation &op) {
        if (auto *d = dynamic_cast<IsotropicFilmDepositionOperation *>(&op)) {
            d->setThickness(1.0f);
            d->setMaterial(material);
        } else if (auto *e = dynamic_cast<IsotropicFilmEtchingOperation *>(&op)) {
            e->setDepth(1.0f);
            e->setMaterial(material);
        }
        op.end();
    };
    workspace.setOperationFactory(factory);
    workspace.getSelection().select(volume);
    workspace.activate(deposition ? 13 : 14);
    // The state records are keyed by process.
    QFile undo(workspace.getUndoFileName());
    QVERIFY(undo.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(undo.readAll().startsWith(deposition ? "IsotropicDeposition " : "IsotropicEtching "));

    const auto after = volume->materialIds();
    QCOMPARE(layer(after, 2), QSet<std::uint32_t>{topAfter});
    QCOMPARE(layer(after, 1), QSet<std::uint32_t>{substrate});
    QCOMPARE(layer(after, 3), QSet<std::uint32_t>{0});
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), deposition ? 13u : 14u);
    QCOMPARE(workspace.isSiLatticeOutdated(volume->getObjectId()), latticeOutdated);

    auto &stack = workspace.getUndoRedo();
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
    // Both cell arrays are restored, not only the one drawn.
    const auto *next = volume->lockNextCells();
    const bool nextMatches = std::equal(before.begin(), before.end(), next, [](auto id, auto &c) { return c.material == id; });
    volume->unlockNextCells();
    QVERIFY(nextMatches);
    QVERIFY(stack.redo());
    QVERIFY(volume->materialIds() == after);
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
}

QTEST_GUILESS_MAIN(TestIsotropicOperations)
#include "tst_isotropicoperations.moc"

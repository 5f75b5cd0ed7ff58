#include "Core/ProcessTable.h"
#include "Core/TestOperations.h"

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"
#include "Model/Document.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <QtTest>

#include <algorithm>

using Core::Operations::IsotropicFilmEtchingOperation;
using namespace TestSupport;

class TestIsotropicOperations : public QObject
{
    Q_OBJECT

private slots:
    void etchUndoRedoAndBookkeeping();
    void loadedVolumeGivesSameCells_data();
    void loadedVolumeGivesSameCells();
};

// Etching one cell of silicon off a 5 x 5 x 5 volume, three layers deep.
void TestIsotropicOperations::etchUndoRedoAndBookkeeping()
{
    Core::Workspace workspace;
    auto volume = volumeFrom(5, 5, 5, [](auto, auto, auto z) { return z < 3 ? 1u : 0u; });
    const auto ids = volume->materialIds();
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    playDialogs<IsotropicFilmEtchingOperation>(workspace, [](IsotropicFilmEtchingOperation &op) {
        op.setDepth(1.0f);
        op.setMaterial(1);
        op.end();
    });
    workspace.getSelection().select(volume);
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::IsotropicEtching));
    // The state records are keyed by process.
    QFile undo(workspace.getUndoFileName());
    QVERIFY(undo.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(undo.readAll().startsWith("IsotropicEtching "));

    const auto after = volume->materialIds();
    for (std::size_t i = 0; i < after.size(); ++i)
        QCOMPARE(after[i], i % 5 < 2 ? 1u : 0u);
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), Core::ProcessTable::menuId(Core::ProcessKey::IsotropicEtching));
    QVERIFY(workspace.isSiLatticeOutdated(volume->getObjectId())); // silicon was etched
    checkUndoRedo(workspace, *volume, ids);
}

using Process = std::function<void(Model::Automaton::TotalVolume *)>;
Q_DECLARE_METATYPE(Process)

void TestIsotropicOperations::loadedVolumeGivesSameCells_data()
{
    QTest::addColumn<Process>("process");
    QTest::newRow("isotropic deposition") << Process([](Model::Automaton::TotalVolume *v) {
        Core::Operations::IsotropicFilmDeposition(v, 3, 2.5f).run();
    });
    QTest::newRow("isotropic etching") << Process([](Model::Automaton::TotalVolume *v) {
        Core::Operations::IsotropicFilmEtching(v, 1, 2.0f).run();
    });
}

// A process gives the same cells on a volume read from a document as on the
// volume it was saved from.
void TestIsotropicOperations::loadedVolumeGivesSameCells()
{
    QFETCH(Process, process);
    const std::uint32_t nx = 23, ny = 17, nz = 19;
    QRandomGenerator random(11);
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::uint32_t z = std::uint32_t(i % nz);
        ids[i] = z < 5 ? 1u : z < 12 && random.bounded(6u) == 0 ? 1 + random.bounded(3u) : 0u;
    }
    auto built = std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 0.5f, 1.f, 0.75f, Util::Vector3D(), ids);

    QTemporaryDir dir;
    Model::Persistence::ArchiverRegistry registry(dir.path());
    const QString path = dir.filePath(QStringLiteral("field.kst"));
    Model::Document original;
    original.addObject(built);
    QVERIFY(Model::Persistence::DocumentWriter(registry).save(original, path).ok);
    Model::Document document;
    QVERIFY(Model::Persistence::DocumentReader(registry).load(document, path).ok);
    auto loaded = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(document.getAllObjects().value(0));
    QVERIFY(loaded);
    QVERIFY(loaded->materialIds() == ids);

    process(built.get());
    process(loaded.get());
    QVERIFY(built->materialIds() != ids);
    QVERIFY(loaded->materialIds() == built->materialIds());
}

QTEST_GUILESS_MAIN(TestIsotropicOperations)
#include "tst_isotropicoperations.moc"

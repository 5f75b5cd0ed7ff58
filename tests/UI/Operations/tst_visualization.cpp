#include "Core/Operations/Lifecycle/IOperationFactory.h"
#include "Core/Operations/Visualization/ChangeTotalVolumeVisualizationOptions.h"
#include "Core/TestOperations.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/GuiTestSupport.h"
#include "UI/OperationFactory.h"
#include "UI/Operations/Visualization/ChangeVolumeVisualizationDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QtTest>

using Core::Operations::ChangeTotalVolumeVisualizationOptions;
using Model::Automaton::TotalVolume;
using Model::Automaton::TotalVolumePainter;
using Options = ChangeTotalVolumeVisualizationOptions::Options;
using GuiTestSupport::child;
using Ui::Operations::ChangeVolumeVisualizationDialog;

namespace {

// The viewing options as the menu builds them: the table's operation with
// the observer the interface registers.
class Factory : public Core::Operations::IOperationFactory
{
public:
    Factory(Core::Workspace *ws, QWidget *parent) : workspace(ws), parent(parent)
    {
        Ui::OperationFactory::registerInterfaces();
    }
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override
    {
        return Core::ProcessTable::createInteractive(id, workspace, parent);
    }

private:
    Core::Workspace *workspace;
    QWidget *parent;
};

constexpr std::uint32_t oxide = 3;
const std::uint32_t menuId = Core::ProcessTable::menuId(Core::ProcessKey::ViewingOptions);

} // namespace

class TestVisualization : public QObject
{
    Q_OBJECT

private slots:
    void dialogShowsAndAppliesOptions_data();
    void dialogShowsAndAppliesOptions();
    void surfaceAtomsOnlyFollowsAtoms();
};

void TestVisualization::dialogShowsAndAppliesOptions_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("glass");
    QTest::newRow("marching cubes") << 1 << true << false;
    QTest::newRow("octree") << 2 << true << false;
    QTest::newRow("direct cubic, oxide turned see-through") << 0 << true << true;
    QTest::newRow("rejected: nothing changes") << 2 << false << true;
}

void TestVisualization::dialogShowsAndAppliesOptions()
{
    QFETCH(int, algorithm);
    QFETCH(bool, accept);
    QFETCH(bool, glass);
    const auto catalogue = Model::Materials::MaterialFactory::getInstance();
    const Util::Vector4D oxideColor = catalogue->getMaterial(oxide).getColor();

    QWidget window;
    Core::Workspace workspace;
    workspace.setOperationFactory(std::make_shared<Factory>(&workspace, &window));
    const auto log = TestSupport::logMessages(workspace);
    // A 4 x 4 plate at z = 1, half silicon, half oxide.
    auto volume = TestSupport::volumeFrom(6, 6, 6, [](auto x, auto y, auto z) {
        return z == 1 && x > 0 && x < 5 && y > 0 && y < 5 ? (x < 3 ? 1u : oxide) : 0u;
    });
    auto other = TestSupport::makeVolume(3, 3, 3, oxide);
    workspace.getDocument().addObject(volume);
    workspace.getDocument().addObject(other);
    volume->getPainter().setRenderLinks(true);
    volume->getPainter().setShowEmptyVoxelOutlines(true);
    volume->getPainter().rebuild();
    other->getPainter().rebuild();
    workspace.getSelection().select(volume);

    Options shown;
    GuiTestSupport::answerDialog(QStringLiteral("Change Volume Visualization Options"), [&](QDialog *dialog) {
        QCOMPARE(child<QTabWidget>(dialog, "tabWidget")->currentIndex(), 0);
        auto *d = static_cast<ChangeVolumeVisualizationDialog *>(dialog);
        shown = d->getOptions();
        for (const char *box : {"chkRenderAtoms", "chkSurfaceAtomsOnly"})
            child<QCheckBox>(dialog, box)->setChecked(true);
        child<QCheckBox>(dialog, "chkRenderLinks")->setChecked(false);
        child<QComboBox>(dialog, "cbxSurfaceAlgorithm")->setCurrentIndex(algorithm);
        if (glass)
            d->setWorkingColor(oxide, Util::Vector4D(oxideColor.x, oxideColor.y, oxideColor.z, 0.5));
    }, accept);
    workspace.activate(menuId);

    Options before;
    before.links = true;
    before.emptyVoxelOutlines = true;
    QVERIFY(shown == before);
    TotalVolumePainter &painter = volume->getPainter();
    const QString operationName = Core::ProcessTable::operationName(Core::ProcessKey::ViewingOptions);
    if (!accept) {
        QVERIFY(ChangeTotalVolumeVisualizationOptions::currentOptions(*volume) == before);
        QCOMPARE(log->lines.last(), operationName + QStringLiteral(": Operation Canceled!"));
        QCOMPARE(catalogue->getMaterial(oxide).getColor().w, oxideColor.w);
        return;
    }
    QCOMPARE(log->lines.last(), operationName + QStringLiteral(": Options changed."));
    Options after = before;
    after.atoms = true;
    after.surfaceAtomsOnly = true;
    after.links = false;
    after.algorithm = std::uint32_t(algorithm);
    QVERIFY(ChangeTotalVolumeVisualizationOptions::currentOptions(*volume) == after);
    // The surface of the chosen algorithm was built, and only that one.
    QCOMPARE(painter.getMarchingCubeSurface().getTriangleCount() > 0, algorithm == 1);
    QCOMPARE(painter.getOctreeSurface().getOpaqueFaceCount() > 0, algorithm == 2);
    QVERIFY(painter.getEmptyVoxelFaceCount() > 0);
    // Every other volume was rebuilt with the new lists by the operation.
    QVERIFY(!other->getPainter().isStale());
    if (glass) {
        QCOMPARE(catalogue->getMaterial(oxide).getColor().w, 0.5);
        QVERIFY(painter.getTransparentFaceCount() > 0);
        QCOMPARE(other->getPainter().getOpaqueFaceCount(), std::size_t(0));
        QVERIFY(other->getPainter().getTransparentFaceCount() > 0);
        Model::Materials::Material m = catalogue->getMaterial(oxide);
        m.setColor(oxideColor);
        catalogue->addMaterial(m);
    }
}

void TestVisualization::surfaceAtomsOnlyFollowsAtoms()
{
    ChangeVolumeVisualizationDialog dialog;
    auto *atoms = child<QCheckBox>(&dialog, "chkRenderAtoms");
    auto *surfaceOnly = child<QCheckBox>(&dialog, "chkSurfaceAtomsOnly");
    QVERIFY(!surfaceOnly->isEnabled());
    atoms->setChecked(true);
    QVERIFY(surfaceOnly->isEnabled());
    atoms->setChecked(false);
    QVERIFY(!surfaceOnly->isEnabled());
    Options o;
    o.atoms = true;
    o.surfaceAtomsOnly = true;
    dialog.setOptions(o);
    QVERIFY(surfaceOnly->isEnabled() && surfaceOnly->isChecked());
    QCOMPARE(child<QComboBox>(&dialog, "cbxSurfaceAlgorithm")->itemText(2), QStringLiteral("Octree Surface Generation"));
}

QTEST_MAIN(TestVisualization)
#include "tst_visualization.moc"

#include "UI/GuiTestSupport.h"

#include "Core/Operations/VolumeEditing/CutCellVolumeOperation.h"
#include "Model/Document.h"
#include "UI/Console/CommandConsole.h"
#include "UI/MainWindowPresenter.h"
#include "Util/ColorSettings.h"
#include "Util/IObserver.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using GuiTestSupport::child;
using Model::Automaton::CellRange;
using Model::Automaton::TotalVolume;
using U = std::uint32_t;

// Glue, extract film and cut planes driven through the real main window:
// menu actions, the options dialogs, Return and the Edit menu's undo.
class TestVolumeEditingWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }
    void glueExtractAndUndo();
    void cutPlanesPreviewAndReject();

private:
    QAction *action(const char *name) const { return GuiTestSupport::action(window.get(), QLatin1String(name)); }
    Core::Workspace *workspace() const { return window->getPresenter()->getWorkspace(); }
    QList<std::shared_ptr<TotalVolume>> volumes() const { return TestSupport::volumesOf(workspace()->getDocument()); }
    std::shared_ptr<TotalVolume> createSubstrate(U material, U height);
    // Selects the volume as a click would and presses Return in the window.
    void pickAndReturn(const std::shared_ptr<TotalVolume> &volume);
    void pressReturn();
    std::unique_ptr<Ui::MainWindow> window;
};

void TestVolumeEditingWindow::init()
{
    Util::ColorSettings::reset();
    window = std::make_unique<Ui::MainWindow>();
    window->resize(900, 700);
    QVERIFY(GuiTestSupport::activate(window.get()));
}

std::shared_ptr<TotalVolume> TestVolumeEditingWindow::createSubstrate(U material, U height)
{
    const auto before = volumes();
    GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"), [material, height](QDialog *modal) {
        GuiTestSupport::fillSubstrate(modal, 10, 10, 8, int(height), material);
    }, true);
    action("actionCreate_Substrate")->trigger();
    for (const auto &volume : volumes())
        if (!before.contains(volume))
            return volume;
    return {};
}

void TestVolumeEditingWindow::pressReturn()
{
    QVERIFY(GuiTestSupport::activate(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Return);
}

void TestVolumeEditingWindow::pickAndReturn(const std::shared_ptr<TotalVolume> &volume)
{
    QVERIFY(workspace()->getSelection().isSelectionMode());
    workspace()->getSelection().select(volume);
    pressReturn();
}

void TestVolumeEditingWindow::glueExtractAndUndo()
{
    auto base = createSubstrate(1, 4);
    auto top = createSubstrate(3, 2);
    QVERIFY(base && top);
    const auto baseCells = base->materialIds(), topCells = top->materialIds();

    action("actionGlue_Substrate")->trigger();
    pickAndReturn(base);
    pressReturn();
    // The dialog opens at the minimum sizes; accepted unchanged, they are the result's.
    int sizeZ = 0, minimumZ = 0;
    bool sizeXEnabled = true;
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Glue Substrate"), [&](QDialog *modal) {
        sizeZ = child<QSpinBox>(modal, "sbxSizeZ")->value();
        minimumZ = child<QSpinBox>(modal, "sbxSizeZ")->minimum();
        sizeXEnabled = child<QSpinBox>(modal, "sbxSizeX")->isEnabled();
        modal->accept();
    });
    pickAndReturn(top);
    QCOMPARE(sizeZ, 6);
    QCOMPARE(minimumZ, 6);
    QVERIFY(!sizeXEnabled);
    QCOMPARE(volumes().size(), 1);
    auto glued = volumes().first();
    QCOMPARE(glued->getSizeZ(), 6u);
    QCOMPARE(glued->materialIds()[glued->index(5, 5, 4)], 3u);
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo Glue Volumes"));

    action("actionExtract_Film")->trigger();
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Extract Film"), [&](QDialog *modal) {
        auto *films = child<QComboBox>(modal, "cbxFilm");
        films->setCurrentIndex(films->findData(3u));
        modal->accept();
    });
    pickAndReturn(glued);
    QCOMPARE(volumes().size(), 2);
    auto film = volumes().contains(glued) && volumes().first() == glued ? volumes().last() : volumes().first();
    QCOMPARE(film->materialIds()[film->index(5, 5, 0)], 3u);

    // Delete takes the selected film at once; undo brings the same object
    // back, the next undo takes the extraction back, the third the bond.
    workspace()->getSelection().select(film);
    action("actionDelete")->trigger();
    QCOMPARE(volumes(), QList<std::shared_ptr<TotalVolume>>({glued}));
    action("actionUndo")->trigger();
    QVERIFY(volumes().contains(film));
    action("actionUndo")->trigger();
    QCOMPARE(volumes(), QList<std::shared_ptr<TotalVolume>>({glued}));
    action("actionUndo")->trigger();
    QCOMPARE(volumes().size(), 2);
    QVERIFY(volumes().contains(base) && volumes().contains(top));
    QVERIFY(base->materialIds() == baseCells && top->materialIds() == topCells);
    QCOMPARE(action("actionRedo")->text(), QStringLiteral("Redo Glue Volumes"));
    action("actionRedo")->trigger();
    QCOMPARE(volumes(), QList<std::shared_ptr<TotalVolume>>({glued}));
}

void TestVolumeEditingWindow::cutPlanesPreviewAndReject()
{
    auto volume = createSubstrate(1, 8);
    QVERIFY(volume);
    const auto cells = volume->materialIds();
    const CellRange whole = CellRange::whole(10, 10, 8);
    const CellRange previewed{{{9, 0, 0}}, {{10, 10, 8}}};
    action("actionCut_Cell_Volume")->trigger();
    // Lower X to 9 over upper X 5 pushes upper to 10; upper Z to 1 over lower
    // Z 3 pulls lower to 0. Without preview nothing reaches the painter; with
    // it every change does; rejecting puts the old limits back.
    QList<CellRange> seen;
    QList<int> values;
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Cut Cell Volume"), [&](QDialog *modal) {
        auto *lowerX = child<QSlider>(modal, "sldXLowerLimit");
        auto *upperX = child<QSpinBox>(modal, "sbxXUpperLimit");
        values << lowerX->maximum() << upperX->minimum() << upperX->maximum();
        upperX->setValue(5);
        lowerX->setValue(9);
        values << child<QSpinBox>(modal, "sbxXLowerLimit")->value() << upperX->value();
        child<QSpinBox>(modal, "sbxZLowerLimit")->setValue(3);
        child<QSpinBox>(modal, "sbxZUpperLimit")->setValue(1);
        values << child<QSpinBox>(modal, "sbxZLowerLimit")->value();
        seen << volume->getPainter().getLimits();
        child<QCheckBox>(modal, "chkPreview")->setChecked(true);
        child<QSpinBox>(modal, "sbxZUpperLimit")->setValue(8);
        seen << volume->getPainter().getLimits();
        static_cast<QDialog *>(modal)->reject();
    });
    pickAndReturn(volume);
    QCOMPARE(values, QList<int>({9, 1, 10, 9, 10, 0}));
    QCOMPARE(seen, QList<CellRange>({whole, previewed}));
    QCOMPARE(volume->getPainter().getLimits(), whole);
    auto cut = std::dynamic_pointer_cast<Core::Operations::CutCellVolumeOperation>(workspace()->getCurrentOperation());
    QVERIFY(cut); // still open after the rejection
    // Accepted limits stay; Reset then OK shows the whole volume again.
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Cut Cell Volume"), [](QDialog *modal) {
        child<QSpinBox>(modal, "sbxYLowerLimit")->setValue(4);
        modal->accept();
    });
    cut->getObserver()->notify();
    QCOMPARE(volume->getPainter().getLimits(), (CellRange{{{0, 4, 0}}, {{10, 10, 8}}}));
    QVERIFY(!workspace()->getCurrentOperation());
    action("actionCut_Cell_Volume")->trigger();
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Cut Cell Volume"), [](QDialog *modal) {
        child<QPushButton>(modal, "btnReset")->click();
        modal->accept();
    });
    pickAndReturn(volume);
    QCOMPARE(volume->getPainter().getLimits(), whole);
    QVERIFY(volume->materialIds() == cells);
    QCOMPARE(GuiTestSupport::lines(window->getPresenter()->getConsole()->outputText()).last(),
             QStringLiteral("Change Cut Planes: Cut planes changed."));
}

QTEST_MAIN(TestVolumeEditingWindow)
#include "tst_volumeeditingwindow.moc"

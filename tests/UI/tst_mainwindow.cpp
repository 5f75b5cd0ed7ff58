#include "GuiTestSupport.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "UI/Console/CommandConsole.h"
#include "UI/GLWidget.h"
#include "UI/SetViewAngleDialog.h"
#include "UI/ViewCamera.h"
#include "UI/AboutWindow.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

enum CheckState { NotCheckable, Unchecked, Checked };
Q_DECLARE_METATYPE(CheckState)

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void windowBasics();
    void actions_data();
    void actions();
    void menus_data();
    void menus();
    void menuBarOrder();
    void actionsInNoMenu_data();
    void actionsInNoMenu();
    void operationIds_data();
    void operationIds();
    void modelExtractionIsMapped();
    void undoRedoTexts_data();
    void undoRedoTexts();
    void saveImageFormatFollowsExtension_data();
    void saveImageFormatFollowsExtension();
    void saveImageDialogOpensInLastFolder();
    void saveImageFailureIsReported();
    void aboutWindowIsModeless();
    void manageMaterialsSaysNotYet();
    void manageCompatibleMaterialsOpensEditor();
    void createSubstrateThroughItsDialog_data();
    void createSubstrateThroughItsDialog();
    void namedViews_data();
    void namedViews();
    void manualView_data();
    void manualView();
    void viewToggles_data();
    void viewToggles();
    void viewDialogs_data();
    void viewDialogs();

private:
    QAction *action(const QString &name) const { return window->findChild<QAction *>(name); }

    std::unique_ptr<Ui::MainWindow> window;
};

void TestMainWindow::init()
{
    window = std::make_unique<Ui::MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindow::cleanup()
{
    window.reset();
}

void TestMainWindow::windowBasics()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Kestrum"));
    QCOMPARE(window->objectName(), QStringLiteral("MainWindowForm"));
    QVERIFY(window->findChild<QStatusBar *>(QStringLiteral("statusbar")));
    QCOMPARE(window->statusBar()->objectName(), QStringLiteral("statusbar"));
    QVERIFY(window->centralWidget());
    QCOMPARE(window->centralWidget(), window->getView());
}

void TestMainWindow::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<CheckState>("checkState");
    QTest::newRow("actionExit") << "actionExit" << "Exit" << "Ctrl+Q" << "Exit Kestrum" << "" << true << NotCheckable;
    QTest::newRow("actionConsole") << "actionConsole" << "Console" << "" << "View the console window." << "View the console window." << true << Checked;
    QTest::newRow("actionUndo") << "actionUndo" << "Undo" << "Ctrl+Z" << "" << "" << false << NotCheckable;
    QTest::newRow("actionRedo") << "actionRedo" << "Redo" << "Ctrl+Y" << "" << "" << false << NotCheckable;
    QTest::newRow("actionCopy") << "actionCopy" << "Copy" << "Ctrl+C" << "" << "" << true << NotCheckable;
    QTest::newRow("actionCreate_Substrate") << "actionCreate_Substrate" << "Create Substrate" << "" << "Create a substrate." << "This creates a simulation volume with a substrate inside." << true << NotCheckable;
    QTest::newRow("actionRun_Step") << "actionRun_Step" << "Run Simulation" << "" << "Run simulations on the substrate." << "This allows you to run simulations such as Si wet etching and photolithography." << true << NotCheckable;
    QTest::newRow("actionDelete") << "actionDelete" << "Delete" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSelect") << "actionSelect" << "Select" << "" << "" << "" << true << Unchecked;
    QTest::newRow("actionRender_Objects") << "actionRender_Objects" << "Render Objects" << "" << "Render object as solids." << "Render object as solids." << true << Checked;
    QTest::newRow("actionLighting") << "actionLighting" << "Lighting" << "" << "Enable lighting." << "Enable or disable lighting." << true << Checked;
    QTest::newRow("actionRender_Object_Edges") << "actionRender_Object_Edges" << "Render Object Edges" << "" << "Render the edges of the cells." << "Render the edges of the cells." << true << Unchecked;
    QTest::newRow("actionFront_View") << "actionFront_View" << "Front View" << "" << "Front View" << "" << true << NotCheckable;
    QTest::newRow("actionTop_View") << "actionTop_View" << "Top View" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionRight_View") << "actionRight_View" << "Right View" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionLeft_View") << "actionLeft_View" << "Left View" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionBack_view") << "actionBack_view" << "Back View" << "" << "Back View" << "" << true << NotCheckable;
    QTest::newRow("actionBottom_View") << "actionBottom_View" << "Bottom View" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionManual_View") << "actionManual_View" << "Manual View" << "" << "Choose an arbitrary viewing angle." << "Choose an arbitrary viewing angle." << true << NotCheckable;
    QTest::newRow("actionGrid") << "actionGrid" << "Grid" << "" << "" << "" << true << Unchecked;
    QTest::newRow("actionGrid_Spacing") << "actionGrid_Spacing" << "Grid Spacing" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSnap_to_Grid") << "actionSnap_to_Grid" << "Snap to Grid" << "" << "" << "" << true << Unchecked;
    QTest::newRow("actionAbout_Kestrum") << "actionAbout_Kestrum" << "About Kestrum" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionConfigure_Window_Colors") << "actionConfigure_Window_Colors" << "Configure Window Colors" << "" << "Change window background colors." << "Change window background colors." << true << NotCheckable;
    QTest::newRow("actionZoom") << "actionZoom" << "Zoom" << "" << "Choose an arbitrary zoom value." << "Choose an arbitrary zoom value." << true << NotCheckable;
    QTest::newRow("actionTranslate") << "actionTranslate" << "Translation" << "" << "Displace the viewing volume." << "Displace the viewing volume. This can be used to center objects on the screen." << true << NotCheckable;
    QTest::newRow("actionChange_Viewing_Options") << "actionChange_Viewing_Options" << "Change Cell Volume Viewing Options" << "" << "Change cell volume colors, transparency and use atomic viewing." << "Change cell volume colors, transparency and use atomic viewing." << true << NotCheckable;
    QTest::newRow("actionMove") << "actionMove" << "Move" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSave_Image") << "actionSave_Image" << "Save Image" << "" << "Save a screenshot as an image." << "Save a screenshot as an image." << true << NotCheckable;
    QTest::newRow("actionModel_Extraction") << "actionModel_Extraction" << "Model Extraction" << "" << "" << "Extract a mechanical model for a cantilever." << false << NotCheckable;
    QTest::newRow("actionExtract_Film") << "actionExtract_Film" << "Extract Film" << "" << "Extract a deposited film from a cell volume." << "Extract a deposited film from a cell volume." << true << NotCheckable;
    QTest::newRow("actionSave") << "actionSave" << "Save" << "Ctrl+S" << "" << "" << true << NotCheckable;
    QTest::newRow("actionOpen") << "actionOpen" << "Open" << "Ctrl+O" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSave_as") << "actionSave_as" << "Save As ..." << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionGlue_Substrate") << "actionGlue_Substrate" << "Glue Substrate" << "" << "Glue a substrate over another substrate." << "Glue a substrate over another substrate." << true << NotCheckable;
    QTest::newRow("actionCVD") << "actionCVD" << "CVD" << "" << "Run an isotropic film deposition simulation." << "Run an isotropic film deposition simulation." << true << NotCheckable;
    QTest::newRow("actionIsotropic_Film_Etching") << "actionIsotropic_Film_Etching" << "Isotropic Etching" << "" << "Run an isotropic film etching simulation." << "Run an isotropic film etching simulation." << true << NotCheckable;
    QTest::newRow("actionElectrodeposition") << "actionElectrodeposition" << "Electroplating" << "" << "Simulates an electrodeposition of a metal over another conductor." << "Simulates an electrodeposition of a metal over another conductor." << true << NotCheckable;
    QTest::newRow("actionCut_Cell_Volume") << "actionCut_Cell_Volume" << "Cut Cell Volume" << "" << "Cut Make cuts to view inside the cell volume. Volume" << "Make cuts to view inside the cell volume." << true << NotCheckable;
    QTest::newRow("actionManage_Materials") << "actionManage_Materials" << "Manage Materials" << "" << "Edit material names, colors and properties." << "Edit material names, colors and properties." << true << NotCheckable;
    QTest::newRow("actionDoping") << "actionDoping" << "Doping" << "" << "Dope a Si Simulate P and N type doping of Si substrates.." << "Simulate P and N type doping of Si substrates." << true << NotCheckable;
    QTest::newRow("actionManage_Compatible_Materials") << "actionManage_Compatible_Materials" << "Manage Compatible Materials" << "" << "" << "Change what materials may be used with a certain process." << true << NotCheckable;
    QTest::newRow("actionMoore_Deposition") << "actionMoore_Deposition" << "Moore Deposition" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionMoore_Etching") << "actionMoore_Etching" << "Moore Etching" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionPhotolithography") << "actionPhotolithography" << "Photolithography" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionBCA_Wet_Etching") << "actionBCA_Wet_Etching" << "Si Wet Etching" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionBatch_Run") << "actionBatch_Run" << "Batch Run" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionPlanarization") << "actionPlanarization" << "Planarization" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSpin_Coating") << "actionSpin_Coating" << "Spin Coating" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionIon_Implantation") << "actionIon_Implantation" << "Ion Implantation" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSi_Stochastic_Wet_Etch") << "actionSi_Stochastic_Wet_Etch" << "Si Stochastic Wet Etch" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSi_Oxidation") << "actionSi_Oxidation" << "Si Oxidation" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionFilm_Deposition") << "actionFilm_Deposition" << "Film Deposition" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionPVD") << "actionPVD" << "PVD" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionSimple_RIE") << "actionSimple_RIE" << "Simple RIE" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionContinuous_Wet_Etching") << "actionContinuous_Wet_Etching" << "Si Wet Etching (CCA)" << "" << "" << "" << true << NotCheckable;
    QTest::newRow("actionNew") << "actionNew" << "New" << "" << "" << "" << true << NotCheckable;
}

void TestMainWindow::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(QString, toolTip);
    QFETCH(QString, statusTip);
    QFETCH(bool, enabled);
    QFETCH(CheckState, checkState);
    QAction *a = action(name);
    QVERIFY(a);
    QCOMPARE(a->text(), text);
    QCOMPARE(a->shortcut(), QKeySequence(shortcut));
    if (!toolTip.isEmpty())
        QCOMPARE(a->toolTip(), toolTip);
    QCOMPARE(a->statusTip(), statusTip);
    QCOMPARE(a->isEnabled(), enabled);
    QCOMPARE(a->isCheckable(), checkState != NotCheckable);
    QCOMPARE(a->isChecked(), checkState == Checked);
}

void TestMainWindow::menus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("contents");
    QTest::newRow("menuFile") << "menuFile" << "File" << QStringList{"New", "Open", "Save", "Save As ...", "-", "Save Image", "-", "Exit"};
    QTest::newRow("menuEdit") << "menuEdit" << "Edit" << QStringList{"Undo", "Redo", "-", "Select", "Copy", "Move", "Delete", "-", "Grid", "Snap to Grid", "Grid Spacing"};
    QTest::newRow("menuSimulation") << "menuSimulation" << "Simulation" << QStringList{"Create Substrate", "-", "Doping", "Electroplating", "Ion Implantation", "PVD", "CVD", "Isotropic Etching", "Moore Deposition", "Moore Etching", "Photolithography", "Planarization", "Si Oxidation", "Si Wet Etching", "Si Wet Etching (CCA)", "Simple RIE", "Spin Coating", "-", "Extract Film", "Glue Substrate", "-", "Batch Run", "-"};
    QTest::newRow("menuMaterials") << "menuMaterials" << "Materials" << QStringList{"Manage Compatible Materials", "Manage Materials"};
    QTest::newRow("menuConfig") << "menuConfig" << "Config" << QStringList{"Manage Materials", "Manage Compatible Materials"};
    QTest::newRow("menuRendering") << "menuRendering" << "Rendering" << QStringList{"Render Objects", "Lighting", "Render Object Edges", "-", "Change Cell Volume Viewing Options", "Cut Cell Volume", "-", "Configure Window Colors"};
    QTest::newRow("menuView") << "menuView" << "View" << QStringList{"Front View", "Back View", "Bottom View", "Top View", "Right View", "Left View", "-", "Manual View", "-", "Zoom", "-", "Translation"};
    QTest::newRow("menuWindows") << "menuWindows" << "Windows" << QStringList{"Console"};
    QTest::newRow("menuAbout") << "menuAbout" << "About" << QStringList{"About Kestrum"};
}

void TestMainWindow::menus()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QStringList, contents);
    auto *menu = window->findChild<QMenu *>(name);
    QVERIFY(menu);
    QCOMPARE(menu->title(), title);
    QStringList seen;
    for (QAction *a : menu->actions())
        seen << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(seen, contents);
}

void TestMainWindow::menuBarOrder()
{
    QStringList titles;
    for (QAction *a : window->menuBar()->actions())
        titles << a->menu()->objectName();
    QCOMPARE(titles, QStringList({"menuFile", "menuEdit", "menuSimulation", "menuMaterials", "menuConfig",
                                  "menuRendering", "menuView", "menuWindows", "menuAbout"}));
}

void TestMainWindow::actionsInNoMenu_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("inMenu");
    QTest::newRow("Run Simulation") << "actionRun_Step" << false;
    QTest::newRow("Model Extraction") << "actionModel_Extraction" << false;
    QTest::newRow("Si Stochastic Wet Etch") << "actionSi_Stochastic_Wet_Etch" << false;
    QTest::newRow("Film Deposition") << "actionFilm_Deposition" << false;
    QTest::newRow("CVD") << "actionCVD" << true;
}

void TestMainWindow::actionsInNoMenu()
{
    QFETCH(QString, name);
    QFETCH(bool, inMenu);
    QAction *a = action(name);
    QVERIFY(a);
    bool found = false;
    for (QMenu *menu : window->findChildren<QMenu *>())
        found = found || menu->actions().contains(a);
    QCOMPARE(found, inMenu);
}

void TestMainWindow::operationIds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::uint32_t>("id");
    const std::pair<const char *, std::uint32_t> rows[] = {
        {"actionCopy", 1},
        {"actionCreate_Substrate", 2},
        {"actionIon_Implantation", 3},
        {"actionDelete", 4},
        {"actionChange_Viewing_Options", 6},
        {"actionMove", 7},
        {"actionExtract_Film", 8},
        {"actionSave", 9},
        {"actionSave_as", 10},
        {"actionOpen", 11},
        {"actionGlue_Substrate", 12},
        {"actionCVD", 13},
        {"actionIsotropic_Film_Etching", 14},
        {"actionElectrodeposition", 15},
        {"actionCut_Cell_Volume", 16},
        {"actionDoping", 17},
        {"actionMoore_Deposition", 18},
        {"actionMoore_Etching", 19},
        {"actionPhotolithography", 20},
        {"actionPlanarization", 22},
        {"actionSpin_Coating", 23},
        {"actionBatch_Run", 24},
        {"actionSi_Oxidation", 26},
        {"actionPVD", 27},
        {"actionBCA_Wet_Etching", 28},
        {"actionContinuous_Wet_Etching", 29},
        {"actionSimple_RIE", 30},
    };
    for (const auto &[name, id] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << id;
}

void TestMainWindow::operationIds()
{
    QFETCH(QString, name);
    QFETCH(std::uint32_t, id);
    auto recorder = std::make_shared<GuiTestSupport::RecordingFactory>();
    window->getPresenter()->getWorkspace()->setOperationFactory(recorder);
    action(name)->trigger();
    QCOMPARE(recorder->ids, QList<std::uint32_t>({id}));
}

void TestMainWindow::modelExtractionIsMapped()
{
    // Disabled and in no menu, the action is still mapped to its id.
    auto recorder = std::make_shared<GuiTestSupport::RecordingFactory>();
    window->getPresenter()->getWorkspace()->setOperationFactory(recorder);
    QAction *extraction = action(QStringLiteral("actionModel_Extraction"));
    QVERIFY(!extraction->isEnabled());
    extraction->trigger();
    QCOMPARE(recorder->ids, QList<std::uint32_t>({1000}));
}

void TestMainWindow::undoRedoTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("isotropic etching on top") << "Isotropic Etching" << true;
    QTest::newRow("empty stack") << "" << false;
}

void TestMainWindow::undoRedoTexts()
{
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    window->setUndoText(name);
    window->setRedoText(name);
    QCOMPARE(action(QStringLiteral("actionUndo"))->text(), QStringLiteral("Undo ") + name);
    QCOMPARE(action(QStringLiteral("actionRedo"))->text(), QStringLiteral("Redo ") + name);
    QCOMPARE(action(QStringLiteral("actionUndo"))->isEnabled(), enabled);
    QCOMPARE(action(QStringLiteral("actionRedo"))->isEnabled(), enabled);
}

void TestMainWindow::saveImageFormatFollowsExtension_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("png") << "view.png" << QByteArray("png");
    QTest::newRow("jpg") << "view.jpg" << QByteArray("jpeg");
    QTest::newRow("xpm") << "view.xpm" << QByteArray("xpm");
}

void TestMainWindow::saveImageFormatFollowsExtension()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, format);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    QVERIFY(window->saveImage(path));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QCOMPARE(image.size(), window->getView()->size() * window->getView()->devicePixelRatioF());
    QVERIFY(!image.hasAlphaChannel());
    QCOMPARE(Ui::MainWindow::imageFolder(), QFileInfo(path).absolutePath());
}

void TestMainWindow::saveImageDialogOpensInLastFolder()
{
    QTemporaryDir dir;
    QVERIFY(window->saveImage(dir.filePath(QStringLiteral("first.png"))));

    // The dialog opens in the folder of the last image; cancelling writes nothing.
    QString title, folder, filter;
    GuiTestSupport::whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        filter = dialog->nameFilters().join(QLatin1Char(';'));
        dialog->reject();
    });
    action(QStringLiteral("actionSave_Image"))->trigger();
    QCOMPARE(title, QStringLiteral("Save Screen Image"));
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(filter, QStringLiteral("Images (*.png *.xpm *.jpg)"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"first.png"}));
}

void TestMainWindow::saveImageFailureIsReported()
{
    QTemporaryDir dir;
    const QString before = Ui::MainWindow::imageFolder();
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/view.png"));
    QString boxText;
    GuiTestSupport::whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        boxText = box->text();
        box->accept();
    });
    QVERIFY(!window->saveImage(missing));
    QVERIFY(boxText.contains(QDir::toNativeSeparators(missing)));
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(Ui::MainWindow::imageFolder(), before);
}

void TestMainWindow::aboutWindowIsModeless()
{
    action(QStringLiteral("actionAbout_Kestrum"))->trigger();
    auto *about = window->findChild<Ui::AboutWindow *>();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QCOMPARE(about->windowTitle(), QStringLiteral("About"));
    QCOMPARE(about->objectName(), QStringLiteral("AboutForm"));
    auto *label = about->findChild<QLabel *>();
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::RichText);
    QVERIFY(label->text().contains(QStringLiteral("Kestrum")));
    // A second request shows the same window.
    action(QStringLiteral("actionAbout_Kestrum"))->trigger();
    QCOMPARE(window->findChildren<Ui::AboutWindow *>().size(), 1);
}

void TestMainWindow::manageMaterialsSaysNotYet()
{
    action(QStringLiteral("actionManage_Materials"))->trigger();
    QVERIFY(!window->statusBar()->currentMessage().isEmpty());
}

void TestMainWindow::manageCompatibleMaterialsOpensEditor()
{
    QString name;
    GuiTestSupport::whenModal([&](QWidget *modal) {
        name = modal->metaObject()->className();
        static_cast<QDialog *>(modal)->reject();
    });
    action(QStringLiteral("actionManage_Compatible_Materials"))->trigger();
    QCOMPARE(name, QStringLiteral("Ui::EditCompatibleMaterialsDialog"));
}

void TestMainWindow::createSubstrateThroughItsDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("rejected") << false;
}

void TestMainWindow::createSubstrateThroughItsDialog()
{
    QFETCH(bool, accept);
    GuiTestSupport::whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        QVERIFY(dialog);
        modal->findChild<QSpinBox *>(QStringLiteral("sbxTotalWidth"))->setValue(6);
        modal->findChild<QSpinBox *>(QStringLiteral("sbxTotalLength"))->setValue(5);
        modal->findChild<QSpinBox *>(QStringLiteral("sbxTotalHeight"))->setValue(4);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    action(QStringLiteral("actionCreate_Substrate"))->trigger();

    Core::Workspace *workspace = window->getPresenter()->getWorkspace();
    const auto objects = workspace->getDocument().getAllObjects();
    QCOMPARE(objects.size(), accept ? 1 : 0);
    QVERIFY(!workspace->getCurrentOperation());
    if (!accept) {
        QVERIFY(window->getPresenter()->getConsole()->outputText().isEmpty());
        QVERIFY(!action(QStringLiteral("actionUndo"))->isEnabled());
        return;
    }
    auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first());
    QVERIFY(volume);
    QCOMPARE(volume->getCellCount(), std::size_t(6 * 5 * 4));
    QCOMPARE(window->getPresenter()->getConsole()->outputText(),
             QStringLiteral("Create Substrate: substrate created successfully."));
    QCOMPARE(action(QStringLiteral("actionUndo"))->text(), QStringLiteral("Undo Create Substrate"));

    action(QStringLiteral("actionUndo"))->trigger();
    QVERIFY(workspace->getDocument().getAllObjects().isEmpty());
    action(QStringLiteral("actionRedo"))->trigger();
    QCOMPARE(workspace->getDocument().getAllObjects().size(), 1);
}

namespace {

bool sameRotation(const Ui::Quaternion &a, const Ui::Quaternion &b)
{
    const double eps = 1e-9;
    return std::abs(a.w - b.w) < eps && std::abs(a.x - b.x) < eps && std::abs(a.y - b.y) < eps
           && std::abs(a.z - b.z) < eps;
}

Ui::Quaternion rotationFor(const Util::Vector3D &angles)
{
    Ui::ViewCamera camera;
    camera.setViewAngle(angles.x, angles.y, angles.z);
    return camera.rotation();
}

void setSpin(QWidget *dialog, const char *name, double value)
{
    auto *spin = dialog->findChild<QDoubleSpinBox *>(QLatin1String(name));
    QVERIFY2(spin, name);
    spin->setValue(value);
}

// Each view dialog has its own fields; the others are not there.
void setSpinIfPresent(QWidget *dialog, const char *name, double value)
{
    if (auto *spin = dialog->findChild<QDoubleSpinBox *>(QLatin1String(name)))
        spin->setValue(value);
}

} // namespace

void TestMainWindow::namedViews_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Util::Vector3D>("angles");
    QTest::newRow("front") << "actionFront_View" << Util::Vector3D(-90, 0, 0);
    QTest::newRow("back") << "actionBack_view" << Util::Vector3D(-90, 0, 180);
    QTest::newRow("left") << "actionLeft_View" << Util::Vector3D(-90, 0, 90);
    QTest::newRow("right") << "actionRight_View" << Util::Vector3D(-90, 0, -90);
    QTest::newRow("top") << "actionTop_View" << Util::Vector3D(0, 0, 0);
    QTest::newRow("bottom") << "actionBottom_View" << Util::Vector3D(180, 0, 0);
}

void TestMainWindow::namedViews()
{
    QFETCH(QString, name);
    QFETCH(Util::Vector3D, angles);
    // Start from an angle no named view uses.
    window->getView()->setViewAngle(13, 17, 19);
    action(name)->trigger();
    QVERIFY(sameRotation(window->getView()->rotation(), rotationFor(angles)));

    // Any other text leaves the view alone.
    window->setView(QStringLiteral("sideways"));
    QVERIFY(sameRotation(window->getView()->rotation(), rotationFor(angles)));
}

void TestMainWindow::manualView_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestMainWindow::manualView()
{
    QFETCH(bool, accept);
    Ui::SetViewAngleDialog::resetRememberedAngles();
    window->getView()->setViewAngle(-90, 0, 0);
    GuiTestSupport::whenModal([&](QWidget *modal) {
        setSpin(modal, "dblAngleX", 30);
        setSpin(modal, "dblAngleY", -20);
        setSpin(modal, "dblAngleZ", 45);
        if (accept)
            static_cast<QDialog *>(modal)->accept();
        else
            static_cast<QDialog *>(modal)->reject();
    });
    action(QStringLiteral("actionManual_View"))->trigger();
    const Util::Vector3D expected = accept ? Util::Vector3D(30, -20, 45) : Util::Vector3D(-90, 0, 0);
    QVERIFY(sameRotation(window->getView()->rotation(), rotationFor(expected)));
    Ui::SetViewAngleDialog::resetRememberedAngles();
}

void TestMainWindow::viewToggles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("property");
    QTest::newRow("Lighting") << "actionLighting" << 0;
    QTest::newRow("Render Objects") << "actionRender_Objects" << 1;
    QTest::newRow("Render Object Edges") << "actionRender_Object_Edges" << 2;
    QTest::newRow("Grid") << "actionGrid" << 3;
    QTest::newRow("Snap to Grid") << "actionSnap_to_Grid" << 4;
}

void TestMainWindow::viewToggles()
{
    QFETCH(QString, name);
    QFETCH(int, property);
    Ui::GLWidget *view = window->getView();
    const auto read = [view, property] {
        switch (property) {
        case 0: return view->lighting();
        case 1: return view->drawObjects();
        case 2: return view->drawOutlines();
        case 3: return view->showGrid();
        default: return view->snapToGrid();
        }
    };
    QAction *toggle = action(name);
    // The action starts in the view's own default state.
    QCOMPARE(toggle->isChecked(), read());
    toggle->trigger();
    QCOMPARE(toggle->isChecked(), read());
    toggle->trigger();
    QCOMPARE(toggle->isChecked(), read());
}

void TestMainWindow::viewDialogs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accept");
    QTest::newRow("zoom, OK") << "actionZoom" << true;
    QTest::newRow("zoom, Cancel") << "actionZoom" << false;
    QTest::newRow("translation, OK") << "actionTranslate" << true;
    QTest::newRow("translation, Cancel") << "actionTranslate" << false;
    QTest::newRow("grid spacing, OK") << "actionGrid_Spacing" << true;
    QTest::newRow("grid spacing, Cancel") << "actionGrid_Spacing" << false;
}

void TestMainWindow::viewDialogs()
{
    QFETCH(QString, name);
    QFETCH(bool, accept);
    Ui::GLWidget *view = window->getView();
    const double zoom = view->zoom();
    const Util::Vector3D translation = view->translation();
    const double spacing = view->gridSpacing();
    GuiTestSupport::whenModal([&](QWidget *modal) {
        setSpinIfPresent(modal, "dblZoom", 50);
        setSpinIfPresent(modal, "dblDistanceX", 1.5);
        setSpinIfPresent(modal, "dblDistanceY", -2);
        setSpinIfPresent(modal, "dblDistanceZ", 3);
        setSpinIfPresent(modal, "dblSpacing", 2.5);
        if (accept)
            static_cast<QDialog *>(modal)->accept();
        else
            static_cast<QDialog *>(modal)->reject();
    });
    action(name)->trigger();
    const bool zoomChanged = accept && name == QLatin1String("actionZoom");
    const bool moved = accept && name == QLatin1String("actionTranslate");
    const bool spaced = accept && name == QLatin1String("actionGrid_Spacing");
    QCOMPARE(view->zoom(), zoomChanged ? 2.0 : zoom);
    const Util::Vector3D expected = moved ? Util::Vector3D(1.5, -2, 3) : translation;
    QCOMPARE(view->translation().x, expected.x);
    QCOMPARE(view->translation().y, expected.y);
    QCOMPARE(view->translation().z, expected.z);
    QCOMPARE(view->gridSpacing(), spaced ? 2.5 : spacing);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

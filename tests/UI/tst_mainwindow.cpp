#include "GuiTestSupport.h"

#include "UI/AboutWindow.h"
#include "UI/GLWidget.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"
#include "UI/SetViewAngleDialog.h"
#include "UI/ViewCamera.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using GuiTestSupport::whenModal;
using Util::Vector3D;

namespace {

bool sameRotation(const Ui::Quaternion &a, const Ui::Quaternion &b)
{
    const double eps = 1e-9;
    return std::abs(a.w - b.w) < eps && std::abs(a.x - b.x) < eps && std::abs(a.y - b.y) < eps
           && std::abs(a.z - b.z) < eps;
}

Ui::Quaternion rotationFor(const Vector3D &angles)
{
    Ui::ViewCamera camera;
    camera.setViewAngle(angles.x, angles.y, angles.z);
    return camera.rotation();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }
    void actionStates();
    void actionTips_data();
    void actionTips();
    void menus_data();
    void menus();
    void operationIds_data();
    void operationIds();
    void saveImageFormatFollowsExtension_data();
    void saveImageFormatFollowsExtension();
    void saveImageDialogOpensInLastFolder();
    void saveImageFailureIsReported();
    void helperWindows();
    void namedViews_data();
    void namedViews();
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

void TestMainWindow::actionStates()
{
    // Every action of the form: shortcut, check state, start-up enabling, and
    // the text of those no menu shows (menus() checks the others).
    const QMap<QString, QString> shortcuts{{"actionExit", "Ctrl+Q"}, {"actionUndo", "Ctrl+Z"}, {"actionRedo", "Ctrl+Y"},
                                           {"actionCopy", "Ctrl+C"}, {"actionSave", "Ctrl+S"}, {"actionOpen", "Ctrl+O"}};
    const QStringList checked{"actionConsole", "actionRender_Objects", "actionLighting"};
    const QStringList unchecked{"actionSelect", "actionRender_Object_Edges", "actionGrid", "actionSnap_to_Grid"};
    const QStringList disabled{"actionUndo", "actionRedo", "actionModel_Extraction"};
    const QMap<QString, QString> inNoMenu{{"actionRun_Step", "Run Simulation"}, {"actionModel_Extraction", "Model Extraction"},
                                          {"actionSi_Stochastic_Wet_Etch", "Si Stochastic Wet Etch"},
                                          {"actionFilm_Deposition", "Film Deposition"}};
    int count = 0;
    for (QAction *a : window->findChildren<QAction *>(QRegularExpression(QStringLiteral("^action")))) {
        const QString name = a->objectName();
        ++count;
        QCOMPARE(a->shortcut(), QKeySequence(shortcuts.value(name)));
        QCOMPARE(a->isCheckable(), checked.contains(name) || unchecked.contains(name));
        QCOMPARE(a->isChecked(), checked.contains(name));
        QCOMPARE(a->isEnabled(), !disabled.contains(name));
        bool inMenu = false;
        for (QMenu *menu : window->findChildren<QMenu *>())
            inMenu = inMenu || menu->actions().contains(a);
        QCOMPARE(!inMenu, inNoMenu.contains(name));
        if (!inMenu)
            QCOMPARE(a->text(), inNoMenu.value(name));
    }
    QCOMPARE(count, 57);
}

void TestMainWindow::actionTips_data()
{
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("statusTip");
    QTest::newRow("actionExit") << "Exit Kestrum" << "";
    QTest::newRow("actionConsole") << "View the console window." << "View the console window.";
    QTest::newRow("actionCreate_Substrate") << "Create a substrate." << "This creates a simulation volume with a substrate inside.";
    QTest::newRow("actionRun_Step") << "Run simulations on the substrate." << "This allows you to run simulations such as Si wet etching and photolithography.";
    QTest::newRow("actionRender_Objects") << "Render object as solids." << "Render object as solids.";
    QTest::newRow("actionLighting") << "Enable lighting." << "Enable or disable lighting.";
    QTest::newRow("actionRender_Object_Edges") << "Render the edges of the cells." << "Render the edges of the cells.";
    QTest::newRow("actionFront_View") << "Front View" << "";
    QTest::newRow("actionBack_view") << "Back View" << "";
    QTest::newRow("actionManual_View") << "Choose an arbitrary viewing angle." << "Choose an arbitrary viewing angle.";
    QTest::newRow("actionConfigure_Window_Colors") << "Change window background colors." << "Change window background colors.";
    QTest::newRow("actionZoom") << "Choose an arbitrary zoom value." << "Choose an arbitrary zoom value.";
    QTest::newRow("actionTranslate") << "Displace the viewing volume." << "Displace the viewing volume. This can be used to center objects on the screen.";
    QTest::newRow("actionChange_Viewing_Options") << "Change cell volume colors, transparency and use atomic viewing." << "Change cell volume colors, transparency and use atomic viewing.";
    QTest::newRow("actionSave_Image") << "Save a screenshot as an image." << "Save a screenshot as an image.";
    QTest::newRow("actionModel_Extraction") << "" << "Extract a mechanical model for a cantilever.";
    QTest::newRow("actionExtract_Film") << "Extract a deposited film from a cell volume." << "Extract a deposited film from a cell volume.";
    QTest::newRow("actionGlue_Substrate") << "Glue a substrate over another substrate." << "Glue a substrate over another substrate.";
    QTest::newRow("actionCVD") << "Run an isotropic film deposition simulation." << "Run an isotropic film deposition simulation.";
    QTest::newRow("actionIsotropic_Film_Etching") << "Run an isotropic film etching simulation." << "Run an isotropic film etching simulation.";
    QTest::newRow("actionElectrodeposition") << "Simulates an electrodeposition of a metal over another conductor." << "Simulates an electrodeposition of a metal over another conductor.";
    QTest::newRow("actionCut_Cell_Volume") << "Cut Make cuts to view inside the cell volume. Volume" << "Make cuts to view inside the cell volume.";
    QTest::newRow("actionManage_Materials") << "Edit material names, colors and properties." << "Edit material names, colors and properties.";
    QTest::newRow("actionDoping") << "Dope a Si Simulate P and N type doping of Si substrates.." << "Simulate P and N type doping of Si substrates.";
    QTest::newRow("actionManage_Compatible_Materials") << "" << "Change what materials may be used with a certain process.";
}

void TestMainWindow::actionTips()
{
    QFETCH(QString, toolTip);
    QFETCH(QString, statusTip);
    QAction *a = action(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(a);
    if (!toolTip.isEmpty())
        QCOMPARE(a->toolTip(), toolTip);
    QCOMPARE(a->statusTip(), statusTip);
}

void TestMainWindow::menus_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("contents");
    QTest::newRow("menuFile") << 0 << "File" << QStringList{"New", "Open", "Save", "Save As ...", "-", "Save Image", "-", "Exit"};
    QTest::newRow("menuEdit") << 1 << "Edit" << QStringList{"Undo", "Redo", "-", "Select", "Copy", "Move", "Delete", "-", "Grid", "Snap to Grid", "Grid Spacing"};
    QTest::newRow("menuSimulation") << 2 << "Simulation" << QStringList{"Create Substrate", "-", "Doping", "Electroplating", "Ion Implantation", "PVD", "CVD", "Isotropic Etching", "Moore Deposition", "Moore Etching", "Photolithography", "Planarization", "Si Oxidation", "Si Wet Etching", "Si Wet Etching (CCA)", "Simple RIE", "Spin Coating", "-", "Extract Film", "Glue Substrate", "-", "Batch Run", "-"};
    QTest::newRow("menuMaterials") << 3 << "Materials" << QStringList{"Manage Compatible Materials", "Manage Materials"};
    QTest::newRow("menuConfig") << 4 << "Config" << QStringList{"Manage Materials", "Manage Compatible Materials"};
    QTest::newRow("menuRendering") << 5 << "Rendering" << QStringList{"Render Objects", "Lighting", "Render Object Edges", "-", "Change Cell Volume Viewing Options", "Cut Cell Volume", "-", "Configure Window Colors"};
    QTest::newRow("menuView") << 6 << "View" << QStringList{"Front View", "Back View", "Bottom View", "Top View", "Right View", "Left View", "-", "Manual View", "-", "Zoom", "-", "Translation"};
    QTest::newRow("menuWindows") << 7 << "Windows" << QStringList{"Console"};
    QTest::newRow("menuAbout") << 8 << "About" << QStringList{"About Kestrum"};
}

void TestMainWindow::menus()
{
    QFETCH(int, position);
    QFETCH(QString, title);
    QFETCH(QStringList, contents);
    auto *menu = window->findChild<QMenu *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(menu);
    QCOMPARE(window->menuBar()->actions().value(position), menu->menuAction());
    QCOMPARE(menu->title(), title);
    QStringList seen;
    for (QAction *a : menu->actions())
        seen << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(seen, contents);
}

void TestMainWindow::operationIds_data()
{
    QTest::addColumn<std::uint32_t>("id");
    const std::pair<const char *, std::uint32_t> rows[] = {
        {"actionCopy", 1}, {"actionCreate_Substrate", 2}, {"actionIon_Implantation", 3}, {"actionDelete", 4},
        {"actionChange_Viewing_Options", 6}, {"actionMove", 7}, {"actionExtract_Film", 8}, {"actionSave", 9},
        {"actionSave_as", 10}, {"actionOpen", 11}, {"actionGlue_Substrate", 12}, {"actionCVD", 13},
        {"actionIsotropic_Film_Etching", 14}, {"actionElectrodeposition", 15}, {"actionCut_Cell_Volume", 16},
        {"actionDoping", 17}, {"actionMoore_Deposition", 18}, {"actionMoore_Etching", 19},
        {"actionPhotolithography", 20}, {"actionPlanarization", 22}, {"actionSpin_Coating", 23},
        {"actionBatch_Run", 24}, {"actionSi_Oxidation", 26}, {"actionPVD", 27}, {"actionBCA_Wet_Etching", 28},
        {"actionContinuous_Wet_Etching", 29}, {"actionSimple_RIE", 30},
        {"actionModel_Extraction", 1000}, // disabled and in no menu, yet mapped
    };
    for (const auto &[name, id] : rows)
        QTest::newRow(name) << id;
}

void TestMainWindow::operationIds()
{
    QFETCH(std::uint32_t, id);
    auto recorder = std::make_shared<GuiTestSupport::RecordingFactory>();
    window->getPresenter()->getWorkspace()->setOperationFactory(recorder);
    action(QString::fromLatin1(QTest::currentDataTag()))->trigger();
    QCOMPARE(recorder->ids, QList<std::uint32_t>({id}));
}

void TestMainWindow::saveImageFormatFollowsExtension_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("view.png") << QByteArray("png");
    QTest::newRow("view.jpg") << QByteArray("jpeg");
    QTest::newRow("view.xpm") << QByteArray("xpm");
}

void TestMainWindow::saveImageFormatFollowsExtension()
{
    QFETCH(QByteArray, format);
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
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
    QString title, folder, filter;
    whenModal([&](QWidget *modal) {
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
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"first.png"})); // cancel writes nothing
}

void TestMainWindow::saveImageFailureIsReported()
{
    QTemporaryDir dir;
    const QString before = Ui::MainWindow::imageFolder();
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/view.png"));
    QString boxText;
    whenModal([&](QWidget *modal) {
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

void TestMainWindow::helperWindows()
{
    // About is modeless, and a second request shows the same window.
    action(QStringLiteral("actionAbout_Kestrum"))->trigger();
    action(QStringLiteral("actionAbout_Kestrum"))->trigger();
    const auto abouts = window->findChildren<Ui::AboutWindow *>();
    QCOMPARE(abouts.size(), 1);
    QVERIFY(abouts.first()->isVisible() && !abouts.first()->isModal());
    QCOMPARE(abouts.first()->windowTitle(), QStringLiteral("About"));
    auto *label = abouts.first()->findChild<QLabel *>();
    QVERIFY(label && label->textFormat() == Qt::RichText && label->text().contains(QStringLiteral("Kestrum")));

    action(QStringLiteral("actionManage_Materials"))->trigger();
    QVERIFY(!window->statusBar()->currentMessage().isEmpty());

    QString name;
    GuiTestSupport::answerDialog([&](QWidget *modal) { name = modal->metaObject()->className(); }, false);
    action(QStringLiteral("actionManage_Compatible_Materials"))->trigger();
    QCOMPARE(name, QStringLiteral("Ui::EditCompatibleMaterialsDialog"));
}

void TestMainWindow::namedViews_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Vector3D>("angles");
    QTest::newRow("front") << "actionFront_View" << Vector3D(-90, 0, 0);
    QTest::newRow("back") << "actionBack_view" << Vector3D(-90, 0, 180);
    QTest::newRow("left") << "actionLeft_View" << Vector3D(-90, 0, 90);
    QTest::newRow("right") << "actionRight_View" << Vector3D(-90, 0, -90);
    QTest::newRow("top") << "actionTop_View" << Vector3D(0, 0, 0);
    QTest::newRow("bottom") << "actionBottom_View" << Vector3D(180, 0, 0);
}

void TestMainWindow::namedViews()
{
    QFETCH(QString, name);
    QFETCH(Vector3D, angles);
    window->getView()->setViewAngle(13, 17, 19); // an angle no named view uses
    action(name)->trigger();
    QVERIFY(sameRotation(window->getView()->rotation(), rotationFor(angles)));
    window->setView(QStringLiteral("sideways")); // any other text leaves the view alone
    QVERIFY(sameRotation(window->getView()->rotation(), rotationFor(angles)));
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
        const bool states[] = {view->lighting(), view->drawObjects(), view->drawOutlines(), view->showGrid(),
                               view->snapToGrid()};
        return states[property];
    };
    QAction *toggle = action(name);
    for (int i = 0; i < 3; ++i) { // the view's own default, then each toggle
        QCOMPARE(toggle->isChecked(), read());
        toggle->trigger();
    }
}

void TestMainWindow::viewDialogs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accept");
    for (const char *name : {"actionZoom", "actionTranslate", "actionGrid_Spacing", "actionManual_View"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, OK").arg(name))) << QString::fromLatin1(name) << true;
        QTest::newRow(qPrintable(QStringLiteral("%1, Cancel").arg(name))) << QString::fromLatin1(name) << false;
    }
}

void TestMainWindow::viewDialogs()
{
    QFETCH(QString, name);
    QFETCH(bool, accept);
    Ui::SetViewAngleDialog::resetRememberedAngles();
    Ui::GLWidget *view = window->getView();
    view->setViewAngle(-90, 0, 0);
    const double zoom = view->zoom();
    const Vector3D translation = view->translation();
    const double spacing = view->gridSpacing();
    GuiTestSupport::answerDialog(
        [](QWidget *modal) {
            // Each dialog has its own fields; the others are not there.
            const std::pair<const char *, double> values[] = {{"dblZoom", 50},       {"dblDistanceX", 1.5},
                                                              {"dblDistanceY", -2},  {"dblDistanceZ", 3},
                                                              {"dblSpacing", 2.5},   {"dblAngleX", 30},
                                                              {"dblAngleY", -20},    {"dblAngleZ", 45}};
            for (const auto &[field, value] : values)
                if (auto *spin = modal->findChild<QDoubleSpinBox *>(QLatin1String(field)))
                    spin->setValue(value);
        },
        accept);
    action(name)->trigger();
    const auto changed = [&](const char *which) { return accept && name == QLatin1String(which); };
    QCOMPARE(view->zoom(), changed("actionZoom") ? 2.0 : zoom);
    const Vector3D expected = changed("actionTranslate") ? Vector3D(1.5, -2, 3) : translation;
    QCOMPARE(view->translation().x, expected.x);
    QCOMPARE(view->translation().y, expected.y);
    QCOMPARE(view->translation().z, expected.z);
    QCOMPARE(view->gridSpacing(), changed("actionGrid_Spacing") ? 2.5 : spacing);
    const Vector3D angles = changed("actionManual_View") ? Vector3D(30, -20, 45) : Vector3D(-90, 0, 0);
    QVERIFY(sameRotation(view->rotation(), rotationFor(angles)));
    Ui::SetViewAngleDialog::resetRememberedAngles();
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

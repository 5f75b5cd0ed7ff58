#include "MainWindow.h"

#include "AboutWindow.h"
#include "Console/CommandConsole.h"
#include "Console/ConsoleObserver.h"
#include "Core/Operations/Lifecycle/Operation.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "CrossSection/CrossSectionDock.h"
#include "EditCompatibleMaterialsDialog.h"
#include "FileNames.h"
#include "GLWidget.h"
#include "Input/ChangeColorsDialog.h"
#include "Input/ChangeGridSpacingDialog.h"
#include "MainWindowPresenter.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/CatalogueProblems.h"
#include "Model/Persistence/VolumeExport.h"
#include "Materials/ManageMaterialsDialog.h"
#include "Observers/RedrawObserver.h"
#include "OperationFactory.h"
#include "OperationMapper.h"
#include "ProcessProgressDisplay.h"
#include "SetViewAngleDialog.h"
#include "SetZoomDialog.h"
#include "TranslateDialog.h"
#include "Util/IObserver.h"
#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>

#include <functional>

namespace Ui {

namespace {

// An observer that calls back into the window.
class CallbackObserver : public Util::IObserver
{
public:
    explicit CallbackObserver(std::function<void()> onChange) : onChange(std::move(onChange)) {}
    void notify() override { onChange(); }

private:
    std::function<void()> onChange;
};

QList<MainWindow *> &openWindows()
{
    static QList<MainWindow *> windows;
    return windows;
}

QString &rememberedImageFolder()
{
    static QString folder = QDir::homePath();
    return folder;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , form(std::make_unique<MainWindowForm>())
{
    presenter = std::make_unique<MainWindowPresenter>(this);
    operationMapper = new OperationMapper(this);
    viewMapper = new OperationMapper(this);
    enterShortcut = new QShortcut(QKeySequence(Qt::Key_Enter), this);
    returnShortcut = new QShortcut(QKeySequence(Qt::Key_Return), this);
    escapeShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);

    form->setupUi(this);
    connectActions();

    view = new GLWidget(presenter->getWorkspace(), this);
    setCentralWidget(view);
    redrawObserver = std::make_shared<Observers::RedrawObserver>(view);
    presenter->getWorkspace()->addOperationEndedObserver(redrawObserver);
    sceneObserver = std::make_shared<CallbackObserver>([this] { operationEnded(); });
    presenter->getWorkspace()->addOperationEndedObserver(sceneObserver);
    createCrossSectionDock();

    promptLabel = new QLabel(statusBar());
    promptLabel->setObjectName(QStringLiteral("lblPrompt"));
    statusBar()->addWidget(promptLabel, 1);
    cursorLabel = new QLabel(statusBar());
    cursorLabel->setObjectName(QStringLiteral("lblCursorPosition"));
    statusBar()->addPermanentWidget(cursorLabel);
    connect(view, &GLWidget::cursorPositionChanged, cursorLabel, &QLabel::setText);
    promptObserver = std::make_shared<Console::ConsoleObserver>(&presenter->getWorkspace()->getConsoleInput());
    presenter->getWorkspace()->getConsoleInput().addMessageObserver(promptObserver);
    connect(promptObserver.get(), &Console::ConsoleObserver::messageWritten, this, &MainWindow::showPrompt);

    progress = std::make_unique<ProcessProgressDisplay>(statusBar());
    presenter->getWorkspace()->setProcessMonitor(progress.get());

    mapOperations();
    connect(operationMapper, &OperationMapper::activated, presenter.get(), &MainWindowPresenter::operationActivated);
    connect(viewMapper, &OperationMapper::activated, this, &MainWindow::setView);
    connect(enterShortcut, &QShortcut::activated, presenter.get(), &MainWindowPresenter::enterPressed);
    connect(returnShortcut, &QShortcut::activated, presenter.get(), &MainWindowPresenter::enterPressed);
    connect(escapeShortcut, &QShortcut::activated, presenter.get(), &MainWindowPresenter::cancelPressed);

    QPointer<QAction> select = form->actionSelect;
    Core::Selection *selection = presenter->getSelection();
    presenter->getSelection()->addSelectionModeObserver(std::make_shared<CallbackObserver>([select, selection] {
        if (select)
            select->setChecked(selection->isSelectionMode());
    }));
    connect(presenter->getConsole(), &Console::CommandConsole::closedByUser, this,
            [this] { form->actionConsole->setChecked(false); });

    setWindowTitle(QStringLiteral("Kestrum"));
    openWindows().append(this);
    updateConsoleTitles();
}

MainWindow::~MainWindow()
{
    openWindows().removeAll(this);
    updateConsoleTitles();
    Core::Workspace *workspace = presenter->getWorkspace();
    workspace->setProcessMonitor(nullptr);
    workspace->getConsoleInput().removeMessageObserver(promptObserver);
    workspace->removeOperationEndedObserver(sceneObserver);
    // The view looks into the presenter's workspace: it goes first.
    workspace->removeOperationEndedObserver(redrawObserver);
    delete sectionDock;
    sectionDock = nullptr;
    delete view;
    view = nullptr;
    delete aboutWindow;
    presenter.reset();
}

void MainWindow::connectActions()
{
    connect(form->actionExit, &QAction::triggered, this, &QWidget::close);
    connect(form->actionConsole, &QAction::toggled, this, &MainWindow::showConsole);
    connect(form->actionUndo, &QAction::triggered, this, &MainWindow::undoOperation);
    connect(form->actionRedo, &QAction::triggered, this, &MainWindow::redoOperation);
    connect(form->actionSelect, &QAction::toggled, this, &MainWindow::selectionToggled);
    connect(form->actionRender_Objects, &QAction::toggled, this, &MainWindow::renderObjectsToggled);
    connect(form->actionLighting, &QAction::toggled, this, &MainWindow::lightingToggled);
    connect(form->actionRender_Object_Edges, &QAction::toggled, this, &MainWindow::renderObjectEdgesToggled);
    connect(form->actionGrid, &QAction::toggled, this, &MainWindow::renderGridToggled);
    connect(form->actionSnap_to_Grid, &QAction::toggled, this, &MainWindow::snapToGridToggled);
    connect(form->actionGrid_Spacing, &QAction::triggered, this, &MainWindow::changeGridSpacing);
    connect(form->actionAbout_Kestrum, &QAction::triggered, this, &MainWindow::showAboutInfo);
    connect(form->actionConfigure_Window_Colors, &QAction::triggered, this, &MainWindow::changeWindowColors);
    connect(form->actionZoom, &QAction::triggered, this, &MainWindow::changeZoom);
    connect(form->actionTranslate, &QAction::triggered, this, &MainWindow::changeTranslate);
    connect(form->actionFit_to_View, &QAction::triggered, this, &MainWindow::fitToView);
    connect(form->actionSave_Image, &QAction::triggered, this, [this] { saveImage(); });
    connect(form->actionExport, &QAction::triggered, this, [this] { exportVolume(); });
    connect(form->actionManage_Materials, &QAction::triggered, this,
            &MainWindow::on_actionManage_Materials_triggered);
    connect(form->actionManage_Compatible_Materials, &QAction::triggered, this,
            &MainWindow::on_actionManage_Compatible_Materials_triggered);
    connect(form->actionNew, &QAction::triggered, this, &MainWindow::on_actionNew_triggered);
    const std::pair<QAction *, ViewOverlay::Part> overlays[] = {
        {form->actionShow_Axes, ViewOverlay::Axes},
        {form->actionShow_Scale_Bar, ViewOverlay::ScaleBar},
        {form->actionShow_Legend, ViewOverlay::Legend},
    };
    for (const auto &[action, part] : overlays)
        connect(action, &QAction::toggled, this, [this, shown = part](bool on) { view->setOverlayShown(shown, on); });
}

void MainWindow::createCrossSectionDock()
{
    sectionDock = new CrossSection::CrossSectionDock(presenter->getWorkspace(), this);
    addDockWidget(Qt::RightDockWidgetArea, sectionDock);
    sectionDock->hide();
    QAction *toggle = form->actionCrossSection;
    connect(toggle, &QAction::toggled, this, [this](bool on) {
        if (on == !sectionDock->isHidden())
            return;
        sectionDock->setVisible(on);
        // First shown: half of the window beside the view.
        if (on && !sectionDockSized) {
            sectionDockSized = true;
            resizeDocks({sectionDock}, {width() * 9 / 20}, Qt::Horizontal);
        }
    });
    // Closed from its title bar, or shown again by the dock's own means.
    connect(sectionDock, &QDockWidget::visibilityChanged, this, [this, toggle](bool) {
        if (toggle->isChecked() == sectionDock->isHidden())
            toggle->setChecked(!sectionDock->isHidden());
    });
    connect(sectionDock, &CrossSection::CrossSectionDock::planeChanged, view, &GLWidget::setSectionPlane);
}

void MainWindow::mapOperations()
{
    using Core::ProcessKey;
    const std::pair<QAction *, ProcessKey> operations[] = {
        {form->actionCopy, ProcessKey::Copy},
        {form->actionCreate_Substrate, ProcessKey::CreateSubstrate},
        {form->actionIon_Implantation, ProcessKey::IonImplantation},
        {form->actionDelete, ProcessKey::Delete},
        {form->actionChange_Viewing_Options, ProcessKey::ViewingOptions},
        {form->actionMove, ProcessKey::Move},
        {form->actionExtract_Film, ProcessKey::ExtractFilm},
        {form->actionSave, ProcessKey::Save},
        {form->actionSave_as, ProcessKey::SaveAs},
        {form->actionOpen, ProcessKey::Open},
        {form->actionGlue_Substrate, ProcessKey::Glue},
        {form->actionCVD, ProcessKey::Cvd},
        {form->actionIsotropic_Film_Etching, ProcessKey::IsotropicEtching},
        {form->actionElectrodeposition, ProcessKey::Electroplating},
        {form->actionCut_Cell_Volume, ProcessKey::Cut},
        {form->actionDoping, ProcessKey::Doping},
        {form->actionMoore_Deposition, ProcessKey::MooreDeposition},
        {form->actionMoore_Etching, ProcessKey::MooreEtching},
        {form->actionPhotolithography, ProcessKey::Photolithography},
        {form->actionPlanarization, ProcessKey::Planarization},
        {form->actionSpin_Coating, ProcessKey::SpinCoating},
        {form->actionBatch_Run, ProcessKey::BatchRun},
        {form->actionSi_Oxidation, ProcessKey::SiOxidation},
        {form->actionPVD, ProcessKey::Pvd},
        {form->actionBCA_Wet_Etching, ProcessKey::SiWetEtching},
        {form->actionContinuous_Wet_Etching, ProcessKey::ContinuousWetEtching},
        {form->actionSimple_RIE, ProcessKey::SimpleRie},
        {form->actionDRIE_Bosch, ProcessKey::DeepRie},
        {form->actionModel_Extraction, ProcessKey::ModelExtraction},
    };
    // The process table gives every action its id and its text, and says
    // which operations are built.
    for (const auto &[action, key] : operations) {
        const Core::ProcessTable::Kind &kind = Core::ProcessTable::kind(key);
        action->setText(kind.menuText);
        operationMapper->map(action, kind.menuId);
        if (!kind.isBuilt()) {
            action->setEnabled(false);
            action->setStatusTip(tr("%1 is not available in this version.").arg(kind.menuText));
        }
    }

    const std::pair<QAction *, const char *> views[] = {
        {form->actionFront_View, "front"}, {form->actionBack_view, "back"},     {form->actionTop_View, "top"},
        {form->actionBottom_View, "bottom"}, {form->actionLeft_View, "left"}, {form->actionRight_View, "right"},
        {form->actionManual_View, "manual"},
    };
    for (const auto &[action, name] : views)
        viewMapper->map(action, QString::fromLatin1(name));
}

void MainWindow::setUndoText(const QString &name)
{
    form->actionUndo->setEnabled(!name.isEmpty());
    form->actionUndo->setText(tr("Undo ") + name);
}

void MainWindow::setRedoText(const QString &name)
{
    form->actionRedo->setEnabled(!name.isEmpty());
    form->actionRedo->setText(tr("Redo ") + name);
}

QString MainWindow::imageFolder()
{
    return rememberedImageFolder();
}

void MainWindow::showConsole(bool show)
{
    presenter->showConsole(show);
}

void MainWindow::undoOperation()
{
    presenter->undo();
    repaintCentralWidget();
}

void MainWindow::redoOperation()
{
    presenter->redo();
    repaintCentralWidget();
}

void MainWindow::selectionToggled(bool checked)
{
    presenter->setSelectionMode(checked);
}

void MainWindow::lightingToggled(bool checked)
{
    view->setLighting(checked);
    repaintCentralWidget();
}

void MainWindow::renderObjectsToggled(bool checked)
{
    view->setDrawObjects(checked);
    repaintCentralWidget();
}

void MainWindow::renderObjectEdgesToggled(bool checked)
{
    view->setDrawOutlines(checked);
    repaintCentralWidget();
}

void MainWindow::setView(const QString &viewAngle)
{
    // Degrees about x, y and z.
    static const struct
    {
        const char *name;
        double x, y, z;
    } namedViews[] = {
        {"front", -90, 0, 0}, {"back", -90, 0, 180}, {"left", -90, 0, 90},
        {"right", -90, 0, -90}, {"top", 0, 0, 0},     {"bottom", 180, 0, 0},
    };
    for (const auto &named : namedViews) {
        if (viewAngle == QLatin1String(named.name)) {
            view->setViewAngle(named.x, named.y, named.z);
            view->fitToView();
            return;
        }
    }
    if (viewAngle == QLatin1String("manual")) {
        SetViewAngleDialog dialog(this);
        if (dialog.exec() == QDialog::Accepted) {
            view->setViewAngle(dialog.getAngleX(), dialog.getAngleY(), dialog.getAngleZ());
            view->fitToView();
        }
    }
}

void MainWindow::renderGridToggled(bool checked)
{
    view->setShowGrid(checked);
    repaintCentralWidget();
}

void MainWindow::snapToGridToggled(bool checked)
{
    view->setSnapToGrid(checked);
    repaintCentralWidget();
}

void MainWindow::changeGridSpacing()
{
    Input::ChangeGridSpacingDialog dialog(view->gridSpacing(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    view->setGridSpacing(dialog.getSpacing());
    repaintCentralWidget();
}

void MainWindow::changeWindowColors()
{
    // The dialog stores the colours itself when accepted.
    Input::ChangeColorsDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        repaintCentralWidget();
}

void MainWindow::changeZoom()
{
    SetZoomDialog dialog(view->zoom(), this);
    if (dialog.exec() == QDialog::Accepted)
        view->setZoom(dialog.getZoom());
}

void MainWindow::changeTranslate()
{
    TranslateDialog dialog(view->translation(), this);
    if (dialog.exec() == QDialog::Accepted)
        view->setTranslation(dialog.getTranslation());
}

QImage MainWindow::grabView()
{
    return view->grabImage();
}

bool MainWindow::saveImage(const QString &filename)
{
    QString target = filename;
    if (target.isEmpty()) {
        target = FileNames::getSaveFileName(this, tr("Save Screen Image"), rememberedImageFolder(),
                                            tr("Images (*.png *.xpm *.jpg)"));
        if (target.isEmpty())
            return false;
    }
    const QImage image = grabView().convertToFormat(QImage::Format_RGB32);
    const auto written = Util::SafeFileWriter::writeImage(image, target);
    if (!written) {
        qCWarning(lcView) << "Could not write the screen image" << target << ":" << written.error;
        QMessageBox::warning(this, tr("Save Screen Image"),
                             tr("The image could not be saved to \"%1\": %2\nCheck that the folder exists and can be "
                                "written, and that the file name ends in .png, .xpm or .jpg.")
                                 .arg(QDir::toNativeSeparators(target), written.error));
        return false;
    }
    rememberedImageFolder() = QFileInfo(target).absolutePath();
    return true;
}

bool MainWindow::exportVolume(const QString &filename)
{
    Core::Workspace *workspace = presenter->getWorkspace();
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    for (const auto &object : workspace->getSelection().getSelectedObjects()) {
        if ((volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object)))
            break;
    }
    if (!volume) {
        QList<std::shared_ptr<Model::Automaton::TotalVolume>> volumes;
        for (const auto &object : workspace->getDocument().getAllObjects()) {
            if (auto v = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object))
                volumes << v;
        }
        if (volumes.size() != 1) {
            QMessageBox::information(this, tr("Export"),
                                     volumes.isEmpty() ? tr("There is no cell volume to export.")
                                                       : tr("Select the cell volume to export, then choose Export again."));
            return false;
        }
        volume = volumes.first();
    }
    QString target = filename;
    if (target.isEmpty()) {
        target = FileNames::getSaveFileName(this, tr("Export"), rememberedImageFolder(),
                                            Model::Persistence::VolumeExport::filters().join(QStringLiteral(";;")));
        if (target.isEmpty())
            return false;
    }
    QString error;
    QStringList written;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = Model::Persistence::VolumeExport::write(*volume, target, &error, &written);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        QMessageBox::warning(this, tr("Export"),
                             tr("The volume could not be exported to \"%1\": %2")
                                 .arg(QDir::toNativeSeparators(target), error));
        return false;
    }
    statusBar()->showMessage(tr("Exported to %1").arg(written.join(QStringLiteral(", "))), 10000);
    rememberedImageFolder() = QFileInfo(target).absolutePath();
    return true;
}

void MainWindow::showAboutInfo()
{
    if (!aboutWindow)
        aboutWindow = new AboutWindow(this);
    aboutWindow->show();
    aboutWindow->raise();
    aboutWindow->activateWindow();
}

void MainWindow::repaintCentralWidget()
{
    if (view)
        view->repaint();
}

void MainWindow::fitToView()
{
    view->fitToView();
}

QString MainWindow::promptText() const
{
    return promptLabel->text();
}

QString MainWindow::catalogueProblemTitle()
{
    return tr("Catalogue Not Read");
}

void MainWindow::reportCatalogueProblems()
{
    const QStringList problems = Model::catalogueProblems();
    if (problems.isEmpty())
        return;
    for (const QString &problem : problems)
        presenter->getWorkspace()->getConsoleInput().setMessage(problem);
    QMessageBox::warning(this, catalogueProblemTitle(), problems.join(QStringLiteral("\n\n")));
}

void MainWindow::showPrompt(const QString &message)
{
    // A warning (a step that changed nothing) outlives the operation that wrote it.
    if (presenter->getWorkspace()->getConsoleInput().isWarning())
        statusBar()->showMessage(message, 15000);
    if (presenter->getWorkspace()->getCurrentOperation())
        promptLabel->setText(message);
}

void MainWindow::operationEnded()
{
    Core::Workspace *workspace = presenter->getWorkspace();
    if (!workspace->getCurrentOperation())
        promptLabel->clear();
    const bool empty = workspace->getDocument().getAllObjects().isEmpty();
    if (sceneEmpty && !empty && view) {
        view->setViewAngle(ViewCamera::isometricAngleX, 0.0, ViewCamera::isometricAngleZ);
        view->fitToView();
    }
    sceneEmpty = empty;
    updateConsoleTitles();
}

void MainWindow::updateConsoleTitles()
{
    const QList<MainWindow *> windows = openWindows();
    for (MainWindow *window : windows) {
        if (window->presenter && window->presenter->getConsole())
            window->presenter->getConsole()->setDocumentName(windows.size() > 1 ? window->presenter->documentName()
                                                                                : QString());
    }
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (consoleWaiting || consoleShown)
        return;
    // A tool window shown before its main window is mapped may be stacked
    // below it by the window manager. The view's first frame means the main
    // window is on screen (and keeps the console out of the start-up time);
    // the timer covers a view that draws nothing.
    consoleWaiting = true;
    auto shown = std::make_shared<QMetaObject::Connection>();
    const auto showOnce = [this, shown] {
        QObject::disconnect(*shown);
        if (consoleShown)
            return;
        consoleShown = true;
        if (form->actionConsole->isChecked())
            presenter->showConsoleFirstTime();
    };
    *shown = connect(view, &QOpenGLWidget::frameSwapped, this, showOnce, Qt::QueuedConnection);
    QTimer::singleShot(consoleFallbackMs, this, showOnce);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (Core::Workspace::isBusy() || !presenter->maybeSaveChanges()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::on_actionManage_Materials_triggered()
{
    // Every open document counts: a material one of them uses is in use.
    QList<std::shared_ptr<Model::Object>> scene;
    for (MainWindow *window : openWindows())
        scene.append(window->presenter->getWorkspace()->getDocument().getAllObjects());
    if (ManageMaterialsDialog::editCatalogue(this, scene, presenter->getWorkspace()->getProcessMonitor())) {
        for (MainWindow *window : openWindows())
            window->repaintCentralWidget();
    }
}

void MainWindow::on_actionManage_Compatible_Materials_triggered()
{
    EditCompatibleMaterialsDialog::editCatalogue(this);
}

void MainWindow::on_actionNew_triggered()
{
    // The emptied document has no file any more, and so no file in the title.
    if (presenter->newDocument())
        setWindowTitle(QStringLiteral("Kestrum"));
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        form->retranslateUi(this);
        // The form's texts carry no operation names: put them back.
        presenter->undoStackChanged();
        presenter->redoStackChanged();
    }
    QMainWindow::changeEvent(event);
}

} // namespace Ui

#include "../GuiTestSupport.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Lithography/LithographyMask.h"
#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "Model/Document.h"
#include "Model/Persistence/DocumentReader.h"
#include "UI/BatchRun/RunProcessesDialog.h"
#include "UI/MainWindowPresenter.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using GuiTestSupport::child;
using Model::Automaton::TotalVolume;
using Core::BatchRun::ProcessData;

namespace {

ProcessData substrate(std::uint32_t n, std::uint32_t height, double x = 0.0)
{
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate));
    step.setParameter(QStringLiteral("MaterialId"), 1u, false);
    step.setParameter(QStringLiteral("Lower Left Front Corner"), QVariant::fromValue(Util::Vector3D(x, 0, 0)), true);
    for (const char *axis : {"X", "Y", "Z"}) {
        step.setParameter(QStringLiteral("Volume Size ") + axis, uint(n), true);
        step.setParameter(QStringLiteral("Substrate Delta ") + axis, 0u, true);
        step.setParameter(QStringLiteral("Substrate Size ") + axis, uint(*axis == 'Z' ? height : n), true);
    }
    step.setParameter(QStringLiteral("SphericalSubstrate"), false, false);
    return step;
}

ProcessData cvd(double thickness)
{
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Cvd));
    Core::BatchRun::MaterialParameters::set(step, 3);
    step.setParameter(QStringLiteral("Thickness"), thickness, true);
    return step;
}

ProcessData saveImage(const QString &fileName)
{
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SaveImage));
    step.setParameter(QStringLiteral("Filename"), fileName, true);
    return step;
}

std::size_t count(const std::vector<std::uint32_t> &ids, std::uint32_t id)
{
    return std::size_t(std::count(ids.begin(), ids.end(), id));
}

QList<std::shared_ptr<TotalVolume>> volumesOf(Core::Workspace &workspace)
{
    return TestSupport::volumesOf(workspace.getDocument());
}

bool waitForRun(Ui::RunProcessesDialog &dialog)
{
    QSignalSpy finished(&dialog, &Ui::RunProcessesDialog::runFinished);
    return !dialog.isRunning() || finished.wait(45000);
}

// Drives the file chooser that opens next: picks `path` and accepts.
void answerFileDialog(const QString &path)
{
    GuiTestSupport::whenModal<QFileDialog>({}, [path](QFileDialog *chooser) { GuiTestSupport::typeFileName(chooser, path); });
}

QStringList stepNames(const Ui::RunProcessesDialog &dialog)
{
    QStringList names;
    for (const ProcessData &step : dialog.getSteps())
        names << step.getName();
    return names;
}

} // namespace

Q_DECLARE_METATYPE(QList<Core::BatchRun::ProcessData>)

// The batch dialog in the real window: edge cases of a run, the list
// editing rules, a recipe built through the process dialogs and run like the
// command-line tool runs it, and what a run in progress refuses.
class TestRunProcessesDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }
    void runs_data();
    void runs();
    void listEditing_data();
    void listEditing();
    void builtThroughDialogsMatchesTool();
    void runInProgress_data();
    void runInProgress();
    void selectVolumes_data();
    void selectVolumes();
    void maskWithoutVolume();
    void failedSaveSaysSo();
    void savedListGetsItsExtension_data();
    void savedListGetsItsExtension();
    void skippedStepsSayWhy();
    void wetEtchOnASingleThreadPool();
    void saveImageStepWritesThePicture();

private:
    Core::Workspace &workspace() { return *window->getPresenter()->getWorkspace(); }
    std::unique_ptr<Ui::MainWindow> window;
};

void TestRunProcessesDialog::init()
{
    window = std::make_unique<Ui::MainWindow>();
    window->resize(900, 700);
    QVERIFY(GuiTestSupport::activate(window.get()));
}

void TestRunProcessesDialog::runs_data()
{
    QTest::addColumn<bool>("startVolume");
    QTest::addColumn<QList<ProcessData>>("steps");
    QTest::addColumn<bool>("missingBox");
    QTest::addColumn<int>("volumes");     // in the document afterwards
    QTest::addColumn<int>("oxideOnLast"); // oxide cells of the last volume

    QTest::newRow("empty list, no volume") << false << QList<ProcessData>{} << true << 0 << 0;
    QTest::newRow("empty list, a volume") << true << QList<ProcessData>{} << false << 1 << 0;
    QTest::newRow("CVD without a volume stops") << false << QList<ProcessData>{cvd(1)} << true << 0 << 0;
    QTest::newRow("Create Substrate first, no volume")
        << false << QList<ProcessData>{substrate(8, 3), cvd(1)} << false << 1 << 8 * 8;
    QTest::newRow("two substrates: later steps on the second")
        << false << QList<ProcessData>{substrate(8, 3), substrate(6, 2, 20), cvd(1)} << false << 2 << 6 * 6;
    QTest::newRow("Save Image without a name saves nothing")
        << true << QList<ProcessData>{saveImage(QString()), cvd(1)} << false << 1 << 10 * 10;
}

void TestRunProcessesDialog::runs()
{
    QFETCH(bool, startVolume);
    QFETCH(QList<ProcessData>, steps);
    QFETCH(bool, missingBox);
    QFETCH(int, volumes);
    QFETCH(int, oxideOnLast);

    std::shared_ptr<TotalVolume> start;
    std::vector<std::uint32_t> before;
    if (startVolume) {
        before = GuiTestSupport::layeredIds(10, 10, 10, 3, 0);
        start = GuiTestSupport::volumeOf(10, 10, 10, before);
        workspace().getDocument().addObject(start);
    }
    const QStringList filesBefore = QDir::current().entryList(QDir::Files);
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), start, window.get());
    for (const ProcessData &step : steps)
        dialog.appendStep(step);
    dialog.show();
    QString boxText;
    bool boxShown = false;
    if (missingBox) {
        GuiTestSupport::whenModal<QMessageBox>(QStringLiteral("Missing Cell Volume"), [&](QMessageBox *box) {
            boxShown = true;
            boxText = box->text();
            box->button(QMessageBox::Ok)->click();
        });
    }
    const std::size_t undoBefore = workspace().getUndoRedo().undoCount();
    auto *bar = child<QProgressBar>(&dialog, "pgbProgress");
    QTest::mouseClick(child<QPushButton>(&dialog, "btnRun"), Qt::LeftButton);
    QVERIFY(waitForRun(dialog));
    QCOMPARE(bar->maximum(), steps.size());
    QTRY_COMPARE(boxShown, missingBox);
    if (missingBox) {
        QVERIFY(boxText.startsWith(QStringLiteral("No cell volume was selected")));
        QCOMPARE(bar->value(), 0);
    } else {
        QCOMPARE(bar->value(), steps.size());
    }

    const auto all = volumesOf(workspace());
    QCOMPARE(all.size(), volumes);
    QCOMPARE(QDir::current().entryList(QDir::Files), filesBefore);
    if (volumes == 0)
        return;
    QCOMPARE(dialog.getCurrentVolume(), all.last());
    const auto last = all.last();
    // Drawn when the run ends: visible and built on this thread.
    QVERIFY(!last->getPainter().isHidden());
    QVERIFY(!last->getPainter().isStale());
    QCOMPARE(int(count(last->materialIds(), 3)), oxideOnLast);
    for (const auto &other : all.mid(0, all.size() - 1))
        QCOMPARE(int(count(other->materialIds(), 3)), 0);

    // A run that changed something is one undoable entry; undo takes back
    // the volumes it made and the cells it changed, redo brings both back.
    const bool changed = steps.size() > 0;
    QCOMPARE(workspace().getUndoRedo().undoCount(), undoBefore + (changed ? 1 : 0));
    if (!changed)
        return;
    QCOMPARE(workspace().getUndoRedo().undoTopName(), QStringLiteral("Batch Run"));
    const auto after = last->materialIds();
    QVERIFY(workspace().getUndoRedo().undo());
    QCOMPARE(volumesOf(workspace()).size(), startVolume ? 1 : 0);
    if (start)
        QVERIFY(start->materialIds() == before);
    QVERIFY(workspace().getUndoRedo().redo());
    QCOMPARE(volumesOf(workspace()).size(), volumes);
    QVERIFY(last->materialIds() == after);
}

void TestRunProcessesDialog::listEditing_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("expected");

    const QStringList order{QStringLiteral("Create Substrate"), QStringLiteral("CVD"), QStringLiteral("Save Image")};
    QTest::newRow("Move Up on the first") << "up first" << order;
    QTest::newRow("Move Down on the last") << "down last" << order;
    QTest::newRow("Move Down on the first")
        << "down first" << QStringList{order[1], order[0], order[2]};
    QTest::newRow("parameter row selected: Remove removes nothing") << "remove parameter" << order;
    QTest::newRow("Remove a step row") << "remove step" << QStringList{order[0], order[2]};
}

void TestRunProcessesDialog::listEditing()
{
    QFETCH(QString, action);
    QFETCH(QStringList, expected);

    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.appendStep(substrate(8, 3));
    dialog.appendStep(cvd(2));
    dialog.appendStep(saveImage(QStringLiteral("a.png")));
    auto *tree = child<QTreeWidget>(&dialog, "trwProcesses");
    QCOMPARE(tree->topLevelItemCount(), 3);
    // CVD shows its visible parameters with a swatch beside the material.
    QTreeWidgetItem *cvdRow = tree->topLevelItem(1);
    QCOMPARE(cvdRow->childCount(), 2);
    QCOMPARE(cvdRow->child(0)->text(1), QStringLiteral("Material"));
    QVERIFY(cvdRow->child(0)->data(2, Qt::DecorationRole).isValid());
    QCOMPARE(cvdRow->child(1)->text(1), QStringLiteral("Thickness"));
    QVERIFY(!cvdRow->child(1)->data(2, Qt::DecorationRole).isValid());

    if (action == QLatin1String("up first")) {
        tree->topLevelItem(0)->setSelected(true);
        dialog.on_btnMoveUp_clicked();
    } else if (action == QLatin1String("down last")) {
        tree->topLevelItem(2)->setSelected(true);
        dialog.on_btnMoveDown_clicked();
    } else if (action == QLatin1String("down first")) {
        tree->topLevelItem(0)->setSelected(true);
        dialog.on_btnMoveDown_clicked();
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Create Substrate"));
    } else if (action == QLatin1String("remove parameter")) {
        cvdRow->child(0)->setSelected(true);
        QVERIFY(tree->selectedItems().isEmpty());
        dialog.on_btnRemoveProcess_clicked();
    } else {
        cvdRow->setSelected(true);
        dialog.on_btnRemoveProcess_clicked();
    }
    QCOMPARE(stepNames(dialog), expected);
}

// Two steps entered through their dialogs, saved, loaded into a fresh
// dialog and run there give the cells the command-line tool gives.
void TestRunProcessesDialog::builtThroughDialogsMatchesTool()
{
    QTemporaryDir dir;
    const QString recipe = dir.filePath(QStringLiteral("recipe.plst"));
    {
        Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
        dialog.show();
        auto *chooser = child<QComboBox>(&dialog, "cbxProcessType");
        // Every entry with its code, in the chooser's order.
        QStringList entries;
        for (int i = 0; i < chooser->count(); ++i)
            entries << QStringLiteral("%1=%2").arg(chooser->itemText(i)).arg(chooser->itemData(i).toInt());
        QCOMPARE(entries.join(QLatin1Char(',')),
                 QStringLiteral("CVD=4,PVD=12,Isotropic Etching=5,Moore Deposition=2,Moore Etching=3,"
                                "Photolithography=0,Planarization=6,Si Wet Etching=1,Si Wet Etching (Continuous)=17,"
                                "Electroplating=7,"
                                "Thermal Doping=8,Ion Implantation=14,Spin Coating=9,Simple RIE=13,"
                                "Thermal Oxidation=15,Diffusion Doping=16,Create Substrate=11,Save Image=10,DRIE (Bosch)=18"));
        chooser->setCurrentIndex(chooser->findText(QStringLiteral("Create Substrate")));
        GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"),
                                     [](QDialog *modal) { GuiTestSupport::fillSubstrate(modal, 12, 10, 14, 5, 1); }, true);
        QTest::mouseClick(child<QPushButton>(&dialog, "btnAddProcess"), Qt::LeftButton);
        chooser->setCurrentIndex(chooser->findText(QStringLiteral("CVD")));
        GuiTestSupport::answerDialog(QStringLiteral("Isotropic Film Deposition"), [](QDialog *modal) {
            child<QDoubleSpinBox>(modal, "dblThickness")->setValue(3.0);
            auto *material = child<QComboBox>(modal, "cbxMaterial");
            material->setCurrentIndex(material->findData(3u));
        }, true);
        QTest::mouseClick(child<QPushButton>(&dialog, "btnAddProcess"), Qt::LeftButton);
        QCOMPARE(stepNames(dialog), (QStringList{QStringLiteral("Create Substrate"), QStringLiteral("CVD")}));
        answerFileDialog(recipe);
        QTest::mouseClick(child<QPushButton>(&dialog, "btnSaveList"), Qt::LeftButton);
        QVERIFY(QFileInfo::exists(recipe));
    }

    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.show();
    answerFileDialog(recipe);
    QTest::mouseClick(child<QPushButton>(&dialog, "btnLoadList"), Qt::LeftButton);
    QCOMPARE(dialog.getSteps().size(), 2);
    QTest::mouseClick(child<QPushButton>(&dialog, "btnRun"), Qt::LeftButton);
    auto *bar = child<QProgressBar>(&dialog, "pgbProgress");
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRunning() && bar->value() == 2, 45000);
    const auto volume = dialog.getCurrentVolume();
    QVERIFY(volume);
    QCOMPARE(volume->getSizeX(), 12u);
    QVERIFY(count(volume->materialIds(), 3) > 0);

    const QString output = dir.filePath(QStringLiteral("tool.kst"));
    QProcess tool;
    tool.start(QStringLiteral(KESTRUM_BATCH_TOOL), {recipe, QStringLiteral("--output"), output});
    QVERIFY(tool.waitForFinished(45000));
    QCOMPARE(tool.exitCode(), 0);
    Core::Workspace other;
    Model::Persistence::DocumentReader reader(other.getArchivers());
    QVERIFY(reader.load(other.getDocument(), output).ok);
    const auto written = volumesOf(other);
    QCOMPARE(written.size(), 1);
    QVERIFY(written.first()->materialIds() == volume->materialIds());
}

void TestRunProcessesDialog::runInProgress_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("stop");
    QTest::newRow("second Run does nothing") << "run" << false;
    QTest::newRow("Close, answered No: the dialog stays") << "close" << false;
    QTest::newRow("Escape, answered Yes: stops after the step") << "escape" << true;
    QTest::newRow("window closed, answered No: the dialog stays") << "window" << false;
}

void TestRunProcessesDialog::runInProgress()
{
    QFETCH(QString, how);
    QFETCH(bool, stop);

    // Enough steps that the run is still going when the dialog is poked.
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.appendStep(substrate(80, 10));
    for (int i = 0; i < 40; ++i)
        dialog.appendStep(cvd(1));
    // Modal, as the observer runs it: the window's own Escape stays out.
    dialog.setWindowModality(Qt::ApplicationModal);
    QVERIFY(GuiTestSupport::activate(&dialog));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnRun"), Qt::LeftButton);
    QVERIFY(dialog.isRunning());
    QVERIFY(!child<QPushButton>(&dialog, "btnRemoveProcess")->isEnabled());
    QVERIFY(!child<QPushButton>(&dialog, "btnLoadList")->isEnabled());

    QString question;
    if (how == QLatin1String("run")) {
        dialog.on_btnRun_clicked();
        dialog.on_btnRemoveProcess_clicked();
        QVERIFY(!dialog.loadList(QStringLiteral("missing.plst")));
        QCOMPARE(dialog.getSteps().size(), 41);
    } else {
        GuiTestSupport::whenModal<QMessageBox>(QStringLiteral("Batch Run"), [&question, stop](QMessageBox *box) {
            question = box->text();
            box->button(stop ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        if (how == QLatin1String("close"))
            QTest::mouseClick(child<QPushButton>(&dialog, "btnClose"), Qt::LeftButton);
        else if (how == QLatin1String("window"))
            dialog.close(); // the title bar's close button
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        QTRY_VERIFY(!question.isEmpty());
        QVERIFY(question.contains(QStringLiteral("Stop it after the current step")));
    }
    QVERIFY(waitForRun(dialog));
    QCOMPARE(dialog.isVisible(), !stop);
    const unsigned done = dialog.getProgressCounter();
    if (stop)
        QVERIFY(done < 41);
    else
        QCOMPARE(done, 41u);
    QCOMPARE(volumesOf(workspace()).size(), 1);
    QCOMPARE(workspace().getUndoRedo().undoCount(), std::size_t(1));
}

void TestRunProcessesDialog::selectVolumes_data()
{
    QTest::addColumn<bool>("selectVolume");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("opens");
    QTest::newRow("typing no: dialog without a volume") << false << "no" << true;
    QTest::newRow("typing x repeats the prompt") << false << "x" << false;
    QTest::newRow("a selected volume: dialog for it") << true << "" << true;
}

void TestRunProcessesDialog::selectVolumes()
{
    QFETCH(bool, selectVolume);
    QFETCH(QString, typed);
    QFETCH(bool, opens);

    auto volume = GuiTestSupport::volumeOf(6, 6, 6, GuiTestSupport::layeredIds(6, 6, 6, 2, 0));
    workspace().getDocument().addObject(volume);
    if (selectVolume)
        workspace().getSelection().select(volume);
    bool opened = false;
    std::shared_ptr<TotalVolume> given;
    QObject scope; // a watch that never fired ends with this case
    GuiTestSupport::whenModal<Ui::RunProcessesDialog>(QStringLiteral("Batch Run"), [&](Ui::RunProcessesDialog *dialog) {
        opened = true;
        given = dialog->getCurrentVolume();
        dialog->on_btnClose_clicked();
    }, GuiTestSupport::Watch{&scope, !opens, 3000});
    workspace().activate(Core::ProcessTable::menuId(Core::ProcessKey::BatchRun));
    if (!selectVolume) {
        QVERIFY(workspace().getConsoleInput().getMessage().endsWith(
            QStringLiteral("To start without a cell volume type N and press Enter/Return.")));
        workspace().getConsoleInput().processLine(typed);
    }
    QTRY_COMPARE(opened, opens);
    if (!opens) {
        QTest::qWait(200);
        QVERIFY(!opened);
        QVERIFY(workspace().getConsoleInput().getMessage().startsWith(QStringLiteral("Select volumes: Select")));
        workspace().cancelCurrent();
        return;
    }
    QCOMPARE(given, selectVolume ? volume : nullptr);
}

// Applying a mask in the batch dialog without a volume shows nothing.
void TestRunProcessesDialog::maskWithoutVolume()
{
    bool refreshed = false;
    Core::Operations::MaskOverlayReceiver receiver(nullptr, [&refreshed] { refreshed = true; });
    Core::Operations::LithographyMask mask;
    mask.width = mask.height = 2;
    mask.bits = Util::BitVector(4);
    receiver.setTopMask(mask);
    receiver.setBottomMask(mask);
    QVERIFY(!refreshed);
}

// A list that cannot be written, or read, is reported; the list stays.
void TestRunProcessesDialog::failedSaveSaysSo()
{
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.appendStep(cvd(1));
    QString text;
    GuiTestSupport::answerBox(&text, QMessageBox::Ok, QStringLiteral("Save List"));
    QVERIFY(!dialog.saveList(QStringLiteral("/no/such/folder/list.plst")));
    QVERIFY(text.startsWith(QStringLiteral("The process list could not be saved")));
    text.clear();
    GuiTestSupport::answerBox(&text, QMessageBox::Ok, QStringLiteral("Load List"));
    QVERIFY(!dialog.loadList(QStringLiteral("/no/such/folder/list.plst")));
    QVERIFY(text.contains(QStringLiteral("could not be read")));
    QCOMPARE(dialog.getSteps().size(), 1);
}

// Save List completes a name typed without ".plst", so Load List (which
// offers only ".plst" files) finds it again; a completed name that exists is
// replaced only when the user says so.
void TestRunProcessesDialog::savedListGetsItsExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("replace"); // the answer to "replace it?"; 0 when not asked
    QTest::newRow("bare name") << "recipe" << "recipe.plst" << 0;
    QTest::newRow("extension typed") << "recipe.plst" << "recipe.plst" << 0;
    QTest::newRow("dotted name") << "recipe.v2" << "recipe.v2.plst" << 0;
    QTest::newRow("completed name exists, kept") << "old" << "old.plst" << int(QMessageBox::No);
    QTest::newRow("completed name exists, replaced") << "old" << "old.plst" << int(QMessageBox::Yes);
}

void TestRunProcessesDialog::savedListGetsItsExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(int, replace);
    QTemporaryDir dir;
    const QString target = dir.filePath(written);
    const QByteArray before("not a list");
    if (replace != 0) {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(before) == before.size());
    }
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.show();
    dialog.appendStep(cvd(2.5));
    QString question;
    if (replace != 0)
        GuiTestSupport::answerBox(&question, QMessageBox::StandardButton(replace), QStringLiteral("Process List File"));
    answerFileDialog(dir.filePath(typed));
    QTest::mouseClick(child<QPushButton>(&dialog, "btnSaveList"), Qt::LeftButton);
    QVERIFY(!QFileInfo::exists(dir.filePath(typed)) || typed == written);
    if (replace != 0)
        QVERIFY2(question.contains(written), qPrintable(question));
    if (replace == QMessageBox::No) {
        QCOMPARE(GuiTestSupport::readFile(target), before);
        return;
    }
    QVERIFY(QFileInfo::exists(target));

    Ui::RunProcessesDialog loading(&workspace(), window.get(), nullptr, window.get());
    loading.show();
    answerFileDialog(target);
    QTest::mouseClick(child<QPushButton>(&loading, "btnLoadList"), Qt::LeftButton);
    QCOMPARE(stepNames(loading), QStringList{QStringLiteral("CVD")});
    QCOMPARE(loading.getSteps().first().getParameter(QStringLiteral("Thickness")).toDouble(), 2.5);
}

// A step the executor refuses is marked in the list with the reason, and the
// status line counts it; the steps after it still run, and a step that ran
// carries what it did.
void TestRunProcessesDialog::skippedStepsSayWhy()
{
    auto start = GuiTestSupport::volumeOf(10, 10, 10, GuiTestSupport::layeredIds(10, 10, 10, 3, 0));
    workspace().getDocument().addObject(start);
    ProcessData noThickness(Core::ProcessTable::listCode(Core::ProcessKey::Cvd));
    Core::BatchRun::MaterialParameters::set(noThickness, 3);
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), start, window.get());
    dialog.appendStep(noThickness);
    dialog.appendStep(cvd(1));
    dialog.show();
    QTest::mouseClick(child<QPushButton>(&dialog, "btnRun"), Qt::LeftButton);
    QVERIFY(waitForRun(dialog));
    QCOMPARE(child<QLabel>(&dialog, "lblStatus")->text(), QStringLiteral("1 of 2 steps done, 1 skipped (see the list)."));
    auto *tree = child<QTreeWidget>(&dialog, "trwProcesses");
    QVERIFY2(tree->topLevelItem(0)->text(2).startsWith(QStringLiteral("skipped: ")), qPrintable(tree->topLevelItem(0)->text(2)));
    QVERIFY(tree->topLevelItem(0)->text(2).contains(QStringLiteral("Thickness")));
    QCOMPARE(tree->topLevelItem(1)->text(2),
             QString::fromUtf8("100 cells changed (Thermal Si02 +100), thickness 1 \xc2\xb5m"));
    QCOMPARE(int(count(start->materialIds(), 3)), 10 * 10);
}

// The wet etch waits for one task per pool thread; a run that took a pool
// thread itself would wait for ever on a pool of one.
void TestRunProcessesDialog::wetEtchOnASingleThreadPool()
{
    QThreadPool *pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.appendStep(substrate(8, 4));
    ProcessData etch = Core::ProcessTable::defaultStep(Core::ProcessKey::SiWetEtching);
    etch.setParameter(QStringLiteral("Depth"), 2.0, true);
    dialog.appendStep(etch);
    dialog.show();
    QTest::mouseClick(child<QPushButton>(&dialog, "btnRun"), Qt::LeftButton);
    QSignalSpy finished(&dialog, &Ui::RunProcessesDialog::runFinished);
    const bool ended = !dialog.isRunning() || finished.wait(30000);
    pool->setMaxThreadCount(threads);
    QVERIFY(ended);
    QCOMPARE(child<QLabel>(&dialog, "lblStatus")->text(), QStringLiteral("2 of 2 steps done."));
    const auto volume = volumesOf(workspace()).value(0);
    QVERIFY(volume && !volume->getPainter().isHidden());
    QVERIFY(count(volume->materialIds(), 1) < std::size_t(8 * 8 * 4));
}

// Save Image mid-recipe: the view is drawn from the interface thread and
// written while the worker waits.
void TestRunProcessesDialog::saveImageStepWritesThePicture()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mid-recipe.png"));
    Ui::RunProcessesDialog dialog(&workspace(), window.get(), nullptr, window.get());
    dialog.appendStep(substrate(8, 3));
    dialog.appendStep(saveImage(path));
    dialog.appendStep(cvd(1));
    dialog.show();
    QTest::mouseClick(child<QPushButton>(&dialog, "btnRun"), Qt::LeftButton);
    QVERIFY(waitForRun(dialog));
    QCOMPARE(child<QLabel>(&dialog, "lblStatus")->text(), QStringLiteral("3 of 3 steps done."));
    const QImage image(path);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 0 && image.height() > 0);
}

QTEST_MAIN(TestRunProcessesDialog)
#include "tst_runprocessesdialog.moc"

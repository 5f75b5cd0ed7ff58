#include "../GuiTestSupport.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Lithography/LithographyMask.h"
#include "Core/Operations/Lithography/MaskOverlayReceiver.h"
#include "Model/Persistence/DocumentReader.h"
#include "UI/BatchRun/RunProcessesDialog.h"
#include "UI/MainWindowPresenter.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
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

// Oxide `thickness` µm thick; without one the step is refused.
ProcessData cvd(double thickness = 0.0)
{
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Cvd));
    Core::BatchRun::MaterialParameters::set(step, 3);
    if (thickness > 0.0)
        step.setParameter(QStringLiteral("Thickness"), thickness, true);
    return step;
}

ProcessData saveImage(const QString &fileName)
{
    ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SaveImage));
    step.setParameter(QStringLiteral("Filename"), fileName, true);
    return step;
}

ProcessData wetEtch()
{
    ProcessData etch = Core::ProcessTable::defaultStep(Core::ProcessKey::SiWetEtching);
    etch.setParameter(QStringLiteral("Depth"), 2.0, true);
    return etch;
}

int count(const std::vector<std::uint32_t> &ids, std::uint32_t id) { return int(std::count(ids.begin(), ids.end(), id)); }

bool waitForRun(Ui::RunProcessesDialog &dialog)
{
    QSignalSpy finished(&dialog, &Ui::RunProcessesDialog::runFinished);
    return !dialog.isRunning() || finished.wait(45000);
}

void press(QWidget *dialog, const char *button) { QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton); }

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

// The batch dialog in the real window: runs and what they leave, the list
// editing rules, a recipe built through the process dialogs and run like the
// command-line tool runs it, and what a run in progress refuses.
class TestRunProcessesDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<Ui::MainWindow> window;
    QTemporaryDir folder;

    Core::Workspace &workspace() { return *window->getPresenter()->getWorkspace(); }
    QList<std::shared_ptr<TotalVolume>> volumes() { return TestSupport::volumesOf(workspace().getDocument()); }
    // A batch dialog over the window holding `steps`, on `start`.
    std::unique_ptr<Ui::RunProcessesDialog> dialogWith(const QList<ProcessData> &steps,
                                                       const std::shared_ptr<TotalVolume> &start = nullptr)
    {
        auto dialog = std::make_unique<Ui::RunProcessesDialog>(&workspace(), window.get(), start, window.get());
        for (const ProcessData &step : steps)
            dialog->appendStep(step);
        return dialog;
    }

private slots:
    void init()
    {
        window = std::make_unique<Ui::MainWindow>();
        window->resize(900, 700);
        QVERIFY(GuiTestSupport::activate(window.get()));
    }
    void cleanup() { window.reset(); }

    void runs_data()
    {
        QTest::addColumn<bool>("startVolume");
        QTest::addColumn<QList<ProcessData>>("steps");
        QTest::addColumn<int>("poolThreads"); // 0: as it is
        QTest::addColumn<bool>("missingBox");
        QTest::addColumn<int>("volumes");     // in the document afterwards
        QTest::addColumn<int>("oxideOnLast"); // oxide cells of the last volume
        QTest::addColumn<QString>("status");  // empty: not checked
        QTest::addColumn<QStringList>("notes"); // per step, a pattern of its note in the list

        QTest::newRow("empty list, no volume") << false << QList<ProcessData>{} << 0 << true << 0 << 0 << "" << QStringList{};
        QTest::newRow("empty list, a volume") << true << QList<ProcessData>{} << 0 << false << 1 << 0 << "" << QStringList{};
        QTest::newRow("CVD without a volume stops") << false << QList<ProcessData>{cvd(1)} << 0 << true << 0 << 0 << ""
                                                    << QStringList{};
        QTest::newRow("Create Substrate first, no volume")
            << false << QList<ProcessData>{substrate(8, 3), cvd(1)} << 0 << false << 1 << 8 * 8 << "2 of 2 steps done."
            << QStringList{};
        QTest::newRow("two substrates: later steps on the second")
            << false << QList<ProcessData>{substrate(8, 3), substrate(6, 2, 20), cvd(1)} << 0 << false << 2 << 6 * 6
            << "3 of 3 steps done." << QStringList{};
        QTest::newRow("Save Image without a name saves nothing")
            << true << QList<ProcessData>{saveImage(QString()), cvd(1)} << 0 << false << 1 << 10 * 10 << "" << QStringList{};
        // Drawn on the interface thread and written while the worker waits.
        QTest::newRow("Save Image mid-recipe writes the picture")
            << false << QList<ProcessData>{substrate(8, 3), saveImage(folder.filePath("mid.png")), cvd(1)} << 0 << false
            << 1 << 8 * 8 << "3 of 3 steps done." << QStringList{};
        // The steps after a refused one still run; a step that ran says what it did.
        QTest::newRow("a refused step is marked with its reason")
            << true << QList<ProcessData>{cvd(), cvd(1)} << 0 << false << 1 << 10 * 10
            << "1 of 2 steps done, 1 skipped (see the list)."
            << QStringList{"^skipped: .*Thickness", "^100 cells changed \\(Thermal Si02 \\+100\\), thickness 1 µm$"};
        // The wet etch waits for one task per pool thread: a run that took a
        // pool thread itself would wait for ever on a pool of one.
        QTest::newRow("wet etch on a single-thread pool")
            << false << QList<ProcessData>{substrate(8, 4), wetEtch()} << 1 << false << 1 << 0 << "2 of 2 steps done."
            << QStringList{"", "^[1-9][0-9]* cells changed \\(Si -"};
    }
    void runs()
    {
        QFETCH(bool, startVolume);
        QFETCH(QList<ProcessData>, steps);
        QFETCH(int, poolThreads);
        QFETCH(bool, missingBox);
        QFETCH(int, volumes);
        QFETCH(int, oxideOnLast);
        QFETCH(QString, status);
        QFETCH(QStringList, notes);

        std::shared_ptr<TotalVolume> start;
        std::vector<std::uint32_t> before;
        if (startVolume) {
            before = GuiTestSupport::layeredIds(10, 10, 10, 3, 0);
            start = GuiTestSupport::volumeOf(10, 10, 10, before);
            workspace().getDocument().addObject(start);
        }
        QThreadPool *pool = QThreadPool::globalInstance();
        const auto restorePool = qScopeGuard([pool, threads = pool->maxThreadCount()] { pool->setMaxThreadCount(threads); });
        if (poolThreads > 0)
            pool->setMaxThreadCount(poolThreads);
        const QStringList filesBefore = QDir::current().entryList(QDir::Files);
        const auto dialog = dialogWith(steps, start);
        dialog->show();
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
        auto *bar = child<QProgressBar>(dialog.get(), "pgbProgress");
        press(dialog.get(), "btnRun");
        QVERIFY(waitForRun(*dialog));
        QCOMPARE(bar->maximum(), steps.size());
        QTRY_COMPARE(boxShown, missingBox);
        QCOMPARE(bar->value(), missingBox ? 0 : steps.size());
        if (missingBox)
            QVERIFY(boxText.startsWith(QStringLiteral("No cell volume was selected")));
        if (!status.isEmpty())
            QCOMPARE(child<QLabel>(dialog.get(), "lblStatus")->text(), status);
        auto *tree = child<QTreeWidget>(dialog.get(), "trwProcesses");
        for (int i = 0; i < notes.size(); ++i)
            QVERIFY2(tree->topLevelItem(i)->text(2).contains(QRegularExpression(notes[i])),
                     qPrintable(tree->topLevelItem(i)->text(2)));
        QCOMPARE(QDir::current().entryList(QDir::Files), filesBefore);
        for (const ProcessData &step : steps) {
            const QString picture = step.getParameter(QStringLiteral("Filename")).toString();
            if (step.getName() == QLatin1String("Save Image") && !picture.isEmpty())
                QVERIFY2(!QImage(picture).isNull(), qPrintable(picture));
        }

        const auto all = this->volumes();
        QCOMPARE(all.size(), volumes);
        if (volumes == 0)
            return;
        QCOMPARE(dialog->getCurrentVolume(), all.last());
        const auto last = all.last();
        // Drawn when the run ends: visible and built on this thread.
        QVERIFY(!last->getPainter().isHidden());
        QVERIFY(!last->getPainter().isStale());
        QCOMPARE(count(last->materialIds(), 3), oxideOnLast);
        for (const auto &other : all.mid(0, all.size() - 1))
            QCOMPARE(count(other->materialIds(), 3), 0);

        // A run that changed something is one undoable entry; undo takes back
        // the volumes it made and the cells it changed, redo brings both back.
        const bool changed = steps.size() > 0;
        QCOMPARE(workspace().getUndoRedo().undoCount(), undoBefore + (changed ? 1 : 0));
        if (!changed)
            return;
        QCOMPARE(workspace().getUndoRedo().undoTopName(), QStringLiteral("Batch Run"));
        const auto after = last->materialIds();
        QVERIFY(workspace().getUndoRedo().undo());
        QCOMPARE(this->volumes().size(), startVolume ? 1 : 0);
        if (start)
            QVERIFY(start->materialIds() == before);
        QVERIFY(workspace().getUndoRedo().redo());
        QCOMPARE(this->volumes().size(), volumes);
        QVERIFY(last->materialIds() == after);
    }

    void listEditing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("expected");
        const QStringList order{QStringLiteral("Create Substrate"), QStringLiteral("CVD"), QStringLiteral("Save Image")};
        QTest::newRow("Move Up on the first") << "up first" << order;
        QTest::newRow("Move Down on the last") << "down last" << order;
        QTest::newRow("Move Down on the first") << "down first" << QStringList{order[1], order[0], order[2]};
        QTest::newRow("parameter row selected: Remove removes nothing") << "remove parameter" << order;
        QTest::newRow("Remove a step row") << "remove step" << QStringList{order[0], order[2]};
    }
    void listEditing()
    {
        QFETCH(QString, action);
        QFETCH(QStringList, expected);
        const auto dialog = dialogWith({substrate(8, 3), cvd(2), saveImage(QStringLiteral("a.png"))});
        auto *tree = child<QTreeWidget>(dialog.get(), "trwProcesses");
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
            dialog->on_btnMoveUp_clicked();
        } else if (action == QLatin1String("down last")) {
            tree->topLevelItem(2)->setSelected(true);
            dialog->on_btnMoveDown_clicked();
        } else if (action == QLatin1String("down first")) {
            tree->topLevelItem(0)->setSelected(true);
            dialog->on_btnMoveDown_clicked();
            QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Create Substrate"));
        } else if (action == QLatin1String("remove parameter")) {
            cvdRow->child(0)->setSelected(true);
            QVERIFY(tree->selectedItems().isEmpty());
            dialog->on_btnRemoveProcess_clicked();
        } else {
            cvdRow->setSelected(true);
            dialog->on_btnRemoveProcess_clicked();
        }
        QCOMPARE(stepNames(*dialog), expected);
    }

    // Two steps entered through their dialogs, saved, loaded into a fresh
    // dialog and run there give the cells the command-line tool gives.
    void builtThroughDialogsMatchesTool()
    {
        const QString recipe = folder.filePath(QStringLiteral("recipe.plst"));
        {
            const auto dialog = dialogWith({});
            dialog->show();
            auto *chooser = child<QComboBox>(dialog.get(), "cbxProcessType");
            chooser->setCurrentIndex(chooser->findText(QStringLiteral("Create Substrate")));
            GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"),
                                         [](QDialog *modal) { GuiTestSupport::fillSubstrate(modal, 12, 10, 14, 5, 1); }, true);
            press(dialog.get(), "btnAddProcess");
            chooser->setCurrentIndex(chooser->findText(QStringLiteral("CVD")));
            GuiTestSupport::answerDialog(QStringLiteral("Isotropic Film Deposition"), [](QDialog *modal) {
                child<QDoubleSpinBox>(modal, "dblThickness")->setValue(3.0);
                auto *material = child<QComboBox>(modal, "cbxMaterial");
                material->setCurrentIndex(material->findData(3u));
            }, true);
            press(dialog.get(), "btnAddProcess");
            QCOMPARE(stepNames(*dialog), (QStringList{QStringLiteral("Create Substrate"), QStringLiteral("CVD")}));
            answerFileDialog(recipe);
            press(dialog.get(), "btnSaveList");
            QVERIFY(QFileInfo::exists(recipe));
        }

        const auto dialog = dialogWith({});
        dialog->show();
        answerFileDialog(recipe);
        press(dialog.get(), "btnLoadList");
        QCOMPARE(dialog->getSteps().size(), 2);
        press(dialog.get(), "btnRun");
        auto *bar = child<QProgressBar>(dialog.get(), "pgbProgress");
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->isRunning() && bar->value() == 2, 45000);
        const auto volume = dialog->getCurrentVolume();
        QVERIFY(volume);
        QCOMPARE(volume->getSizeX(), 12u);
        QVERIFY(count(volume->materialIds(), 3) > 0);

        const QString output = folder.filePath(QStringLiteral("tool.kst"));
        QProcess tool;
        tool.start(QStringLiteral(KESTRUM_BATCH_TOOL), {recipe, QStringLiteral("--output"), output});
        QVERIFY(tool.waitForFinished(45000));
        QCOMPARE(tool.exitCode(), 0);
        Core::Workspace other;
        Model::Persistence::DocumentReader reader(other.getArchivers());
        QVERIFY(reader.load(other.getDocument(), output).ok);
        const auto written = TestSupport::volumesOf(other.getDocument());
        QCOMPARE(written.size(), 1);
        QVERIFY(written.first()->materialIds() == volume->materialIds());
    }

    void runInProgress_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("stop");
        QTest::newRow("second Run does nothing") << "run" << false;
        QTest::newRow("Close, answered No: the dialog stays") << "close" << false;
        QTest::newRow("Escape, answered Yes: stops after the step") << "escape" << true;
        QTest::newRow("window closed, answered No: the dialog stays") << "window" << false;
    }
    void runInProgress()
    {
        QFETCH(QString, how);
        QFETCH(bool, stop);
        // Enough steps that the run is still going when the dialog is poked.
        QList<ProcessData> steps{substrate(80, 10)};
        for (int i = 0; i < 40; ++i)
            steps << cvd(1);
        const auto dialog = dialogWith(steps);
        // Modal, as the observer runs it: the window's own Escape stays out.
        dialog->setWindowModality(Qt::ApplicationModal);
        QVERIFY(GuiTestSupport::activate(dialog.get()));
        press(dialog.get(), "btnRun");
        QVERIFY(dialog->isRunning());
        QVERIFY(!child<QPushButton>(dialog.get(), "btnRemoveProcess")->isEnabled());
        QVERIFY(!child<QPushButton>(dialog.get(), "btnLoadList")->isEnabled());

        QString question;
        if (how == QLatin1String("run")) {
            dialog->on_btnRun_clicked();
            dialog->on_btnRemoveProcess_clicked();
            QVERIFY(!dialog->loadList(QStringLiteral("missing.plst")));
            QCOMPARE(dialog->getSteps().size(), 41);
        } else {
            GuiTestSupport::whenModal<QMessageBox>(QStringLiteral("Batch Run"), [&question, stop](QMessageBox *box) {
                question = box->text();
                box->button(stop ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            if (how == QLatin1String("close"))
                press(dialog.get(), "btnClose");
            else if (how == QLatin1String("window"))
                dialog->close(); // the title bar's close button
            else
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            QTRY_VERIFY(!question.isEmpty());
            QVERIFY(question.contains(QStringLiteral("Stop it after the current step")));
        }
        QVERIFY(waitForRun(*dialog));
        QCOMPARE(dialog->isVisible(), !stop);
        const unsigned done = dialog->getProgressCounter();
        QVERIFY2(stop ? done < 41 : done == 41, qPrintable(QString::number(done)));
        QCOMPARE(volumes().size(), 1);
        QCOMPARE(workspace().getUndoRedo().undoCount(), std::size_t(1));
    }

    void selectVolumes_data()
    {
        QTest::addColumn<bool>("selectVolume");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("opens");
        QTest::newRow("typing no: dialog without a volume") << false << "no" << true;
        QTest::newRow("typing x repeats the prompt") << false << "x" << false;
        QTest::newRow("a selected volume: dialog for it") << true << "" << true;
    }
    void selectVolumes()
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
    void maskWithoutVolume()
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
    void failedSaveSaysSo()
    {
        const auto dialog = dialogWith({cvd(1)});
        QString text;
        GuiTestSupport::answerBox(&text, QMessageBox::Ok, QStringLiteral("Save List"));
        QVERIFY(!dialog->saveList(QStringLiteral("/no/such/folder/list.plst")));
        QVERIFY(text.startsWith(QStringLiteral("The process list could not be saved")));
        text.clear();
        GuiTestSupport::answerBox(&text, QMessageBox::Ok, QStringLiteral("Load List"));
        QVERIFY(!dialog->loadList(QStringLiteral("/no/such/folder/list.plst")));
        QVERIFY(text.contains(QStringLiteral("could not be read")));
        QCOMPARE(dialog->getSteps().size(), 1);
    }

    // Save List completes a name typed without ".plst", so Load List (which
    // offers only ".plst" files) finds it again; a completed name that exists is
    // replaced only when the user says so.
    void savedListGetsItsExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("replace"); // the answer to "replace it?"; 0 when not asked
        // Other names typed: tst_dialogmemory's extensions.
        QTest::newRow("bare name") << "recipe" << "recipe.plst" << 0;
        QTest::newRow("completed name exists, kept") << "old" << "old.plst" << int(QMessageBox::No);
        QTest::newRow("completed name exists, replaced") << "old" << "old.plst" << int(QMessageBox::Yes);
    }
    void savedListGetsItsExtension()
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
        const auto dialog = dialogWith({cvd(2.5)});
        dialog->show();
        QString question;
        if (replace != 0)
            GuiTestSupport::answerBox(&question, QMessageBox::StandardButton(replace), QStringLiteral("Process List File"));
        answerFileDialog(dir.filePath(typed));
        press(dialog.get(), "btnSaveList");
        QVERIFY(!QFileInfo::exists(dir.filePath(typed)) || typed == written);
        if (replace != 0)
            QVERIFY2(question.contains(written), qPrintable(question));
        if (replace == QMessageBox::No) {
            QCOMPARE(GuiTestSupport::readFile(target), before);
            return;
        }
        QVERIFY(QFileInfo::exists(target));

        const auto loading = dialogWith({});
        loading->show();
        answerFileDialog(target);
        press(loading.get(), "btnLoadList");
        QCOMPARE(stepNames(*loading), QStringList{QStringLiteral("CVD")});
        QCOMPARE(loading->getSteps().first().getParameter(QStringLiteral("Thickness")).toDouble(), 2.5);
    }
};

QTEST_MAIN(TestRunProcessesDialog)
#include "tst_runprocessesdialog.moc"

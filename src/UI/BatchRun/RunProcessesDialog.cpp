#include "UI/BatchRun/RunProcessesDialog.h"

#include "ui_RunProcessesDialog.h"

#include "Core/BatchRun/BatchStepExecutor.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/Operations/BatchRun/BatchRunOperation.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/BatchRun/BatchRunWorker.h"
#include "UI/BatchRun/ProcessStepDialogs.h"
#include "UI/FileNames.h"
#include "UI/MainWindow.h"
#include "Util/Logging.h"

#include <QCloseEvent>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>

#include <algorithm>

namespace Ui {

using Core::BatchRun::ProcessData;
using Core::BatchRun::ProcessListArchiver;

namespace {

constexpr int idRole = Qt::UserRole;
const QString listFilter = QStringLiteral("Process List (*.plst)");
const QString listChooserTitle = QStringLiteral("Process List File");

// The process-type chooser, in menu order; names and codes from the process table.
const Core::ProcessKey chooserKeys[] = {
    Core::ProcessKey::Cvd,           Core::ProcessKey::Pvd,
    Core::ProcessKey::IsotropicEtching, Core::ProcessKey::MooreDeposition,
    Core::ProcessKey::MooreEtching,  Core::ProcessKey::Photolithography,
    Core::ProcessKey::Planarization, Core::ProcessKey::SiWetEtching,
    Core::ProcessKey::ContinuousWetEtching, Core::ProcessKey::Electroplating, Core::ProcessKey::Doping,
    Core::ProcessKey::IonImplantation, Core::ProcessKey::SpinCoating,
    Core::ProcessKey::SimpleRie,     Core::ProcessKey::SiOxidation,
    Core::ProcessKey::DiffusionDoping, Core::ProcessKey::CreateSubstrate,
    Core::ProcessKey::SaveImage,     Core::ProcessKey::DeepRie,
};

QPixmap swatch(const QColor &color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

RunProcessesDialog::RunProcessesDialog(Core::Workspace *ws, MainWindow *window,
                                       std::shared_ptr<Model::Automaton::TotalVolume> start, QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<RunProcessesBaseDialog>())
    , workspace(ws)
    , mainWindow(window)
    , volume(std::move(start))
{
    form->setupUi(this);
    setFixedSize(750, 470);
    fillChooser();
    form->trwProcesses->setColumnWidth(0, 160);
    form->trwProcesses->setColumnWidth(1, 190);

    connect(form->btnAddProcess, &QPushButton::clicked, this, &RunProcessesDialog::on_btnAddProcess_clicked);
    connect(form->btnRemoveProcess, &QPushButton::clicked, this, &RunProcessesDialog::on_btnRemoveProcess_clicked);
    connect(form->btnMoveUp, &QPushButton::clicked, this, &RunProcessesDialog::on_btnMoveUp_clicked);
    connect(form->btnMoveDown, &QPushButton::clicked, this, &RunProcessesDialog::on_btnMoveDown_clicked);
    connect(form->btnSaveList, &QPushButton::clicked, this, &RunProcessesDialog::on_btnSaveList_clicked);
    connect(form->btnLoadList, &QPushButton::clicked, this, &RunProcessesDialog::on_btnLoadList_clicked);
    connect(form->btnRun, &QPushButton::clicked, this, &RunProcessesDialog::on_btnRun_clicked);
    connect(form->btnClose, &QPushButton::clicked, this, &RunProcessesDialog::on_btnClose_clicked);
    connect(form->trwProcesses, &QTreeWidget::itemSelectionChanged, this, &RunProcessesDialog::selectionChanged);

    timer.setInterval(progressIntervalMs);
    connect(&timer, &QTimer::timeout, this, &RunProcessesDialog::updateProgress);
}

RunProcessesDialog::~RunProcessesDialog()
{
    // Normally unreachable mid-run (the dialog does not close then), but the
    // window owning it may go: end after the running step, refusing image
    // requests, and wait without blocking the worker's calls into this thread.
    if (worker && worker->isRunning()) {
        abandoned = true;
        worker->requestStop();
        while (worker->isRunning())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        runEnded();
    }
    worker.reset();
}

void RunProcessesDialog::fillChooser()
{
    for (const Core::ProcessKey key : chooserKeys) {
        const Core::ProcessTable::Kind &kind = Core::ProcessTable::kind(key);
        form->cbxProcessType->addItem(Core::ProcessTable::chooserText(key), int(kind.listCode));
    }
}

bool RunProcessesDialog::isRunning() const
{
    return worker && worker->isRunning();
}

void RunProcessesDialog::appendStep(const ProcessData &step)
{
    if (isRunning())
        return;
    steps.append(step);
    rebuildTree();
}

QTreeWidgetItem *RunProcessesDialog::stepRow(std::uint32_t id) const
{
    for (int i = 0; i < form->trwProcesses->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = form->trwProcesses->topLevelItem(i);
        if (row->data(0, idRole).toUInt() == id)
            return row;
    }
    return nullptr;
}

void RunProcessesDialog::rebuildTree()
{
    QTreeWidget *tree = form->trwProcesses;
    const QSignalBlocker blocker(tree);
    tree->clear();
    for (const ProcessData &step : steps) {
        auto *row = new QTreeWidgetItem(tree);
        row->setText(0, step.getName());
        row->setData(0, idRole, uint(step.getId()));
        const QString note = stepNotes.value(step.getId());
        if (!note.isEmpty()) {
            row->setText(2, note);
            row->setToolTip(2, note);
        }
        const QMap<QString, QVariant> parameters = step.getParameters();
        for (auto it = parameters.constBegin(); it != parameters.constEnd(); ++it) {
            if (!step.isVisible(it.key()))
                continue;
            auto *parameter = new QTreeWidgetItem(row);
            parameter->setText(1, it.key());
            // Lengths read in µm, counts in cells, as the dialogs give them.
            const Core::ProcessTable::Kind *kind = Core::ProcessTable::byListCode(step.getType());
            const Core::ProcessTable::Parameter *listed = kind ? kind->parameter(it.key()) : nullptr;
            const QString unit = listed && !listed->range.unit.isEmpty() ? QLatin1Char(' ') + listed->range.unit
                                                                         : QString();
            parameter->setText(2, ProcessListArchiver::textOf(it.value()) + unit);
            const QVariant color = step.getParameter(it.key() + QStringLiteral("_Color"));
            if (color.canConvert<QColor>() && color.value<QColor>().isValid())
                parameter->setData(2, Qt::DecorationRole, swatch(color.value<QColor>()));
        }
        row->setExpanded(true);
    }
}

void RunProcessesDialog::selectionChanged()
{
    const auto selected = form->trwProcesses->selectedItems();
    const bool parameterRow = std::any_of(selected.begin(), selected.end(),
                                          [](const QTreeWidgetItem *item) { return item->parent() != nullptr; });
    if (parameterRow)
        form->trwProcesses->clearSelection();
}

void RunProcessesDialog::on_btnAddProcess_clicked()
{
    if (isRunning())
        return;
    const std::int32_t type = form->cbxProcessType->currentData().toInt();
    const auto step = ProcessStepDialogs::ask(type, this, volume, [this] {
        if (mainWindow)
            mainWindow->repaintCentralWidget();
    });
    if (step)
        appendStep(*step);
}

void RunProcessesDialog::on_btnRemoveProcess_clicked()
{
    if (isRunning())
        return;
    QSet<std::uint32_t> ids;
    for (const QTreeWidgetItem *item : form->trwProcesses->selectedItems()) {
        if (!item->parent())
            ids.insert(item->data(0, idRole).toUInt());
    }
    if (ids.isEmpty())
        return;
    steps.erase(std::remove_if(steps.begin(), steps.end(),
                               [&ids](const ProcessData &step) { return ids.contains(step.getId()); }),
                steps.end());
    rebuildTree();
}

int RunProcessesDialog::firstSelectedStep() const
{
    for (int i = 0; i < form->trwProcesses->topLevelItemCount(); ++i) {
        if (form->trwProcesses->topLevelItem(i)->isSelected())
            return i;
    }
    return -1;
}

void RunProcessesDialog::moveSelected(int offset)
{
    if (isRunning())
        return;
    const int from = firstSelectedStep();
    const int to = from + offset;
    if (from < 0 || to < 0 || to >= steps.size())
        return;
    steps.swapItemsAt(from, to);
    const std::uint32_t id = steps.at(to).getId();
    rebuildTree();
    if (QTreeWidgetItem *row = stepRow(id))
        form->trwProcesses->setCurrentItem(row);
}

void RunProcessesDialog::on_btnMoveUp_clicked()
{
    moveSelected(-1);
}

void RunProcessesDialog::on_btnMoveDown_clicked()
{
    moveSelected(1);
}

bool RunProcessesDialog::saveList(const QString &fileName)
{
    ProcessListArchiver archiver(steps);
    if (archiver.saveProcessList(fileName))
        return true;
    QMessageBox::warning(this, QStringLiteral("Save List"),
                         QStringLiteral("The process list could not be saved to \"%1\": %2")
                             .arg(QDir::toNativeSeparators(fileName), archiver.errorString()));
    return false;
}

bool RunProcessesDialog::loadList(const QString &fileName)
{
    if (isRunning())
        return false;
    QList<ProcessData> loaded;
    ProcessListArchiver archiver;
    if (!archiver.loadProcessList(fileName, loaded)) {
        QMessageBox::warning(this, QStringLiteral("Load List"),
                             QStringLiteral("The process list \"%1\" could not be read: %2")
                                 .arg(QDir::toNativeSeparators(fileName), archiver.errorString()));
        return false;
    }
    steps = loaded;
    stepNotes.clear();
    rebuildTree();
    return true;
}

void RunProcessesDialog::on_btnSaveList_clicked()
{
    const QString fileName = FileNames::getSaveFileName(this, listChooserTitle, QDir::homePath(), listFilter);
    if (!fileName.isEmpty())
        saveList(fileName);
}

void RunProcessesDialog::on_btnLoadList_clicked()
{
    if (isRunning())
        return;
    const QString fileName = QFileDialog::getOpenFileName(this, listChooserTitle, QDir::homePath(), listFilter);
    if (!fileName.isEmpty())
        loadList(fileName);
}

void RunProcessesDialog::setRunning(bool running)
{
    for (QWidget *button : {static_cast<QWidget *>(form->btnAddProcess), static_cast<QWidget *>(form->btnRemoveProcess),
                            static_cast<QWidget *>(form->btnMoveUp), static_cast<QWidget *>(form->btnMoveDown),
                            static_cast<QWidget *>(form->btnLoadList), static_cast<QWidget *>(form->btnRun),
                            static_cast<QWidget *>(form->cbxProcessType)})
        button->setEnabled(!running);
}

void RunProcessesDialog::on_btnRun_clicked()
{
    if (isRunning())
        return;
    form->pgbProgress->setRange(0, steps.size());
    form->pgbProgress->setValue(0);
    form->pgbProgress->setEnabled(true);
    progressCounter = 0;
    stepNotes.clear();
    rebuildTree();

    // A stale drawing would be rebuilt by the next paint, on this thread,
    // waiting for the cells a running step holds: build it now.
    if (volume && volume->getPainter().isStale())
        volume->getPainter().rebuild();
    worker = std::make_unique<BatchRunWorker>(workspace, steps, volume,
                                              [this](const QString &fileName) { return saveImageFromWorker(fileName); });
    connect(worker.get(), &BatchRunWorker::finished, this, &RunProcessesDialog::runEnded, Qt::QueuedConnection);
    setRunning(true);
    form->lblStatus->setText(steps.isEmpty() ? QString() : QStringLiteral("Starting ..."));
    timer.start();
    worker->start();
}

void RunProcessesDialog::updateProgress()
{
    if (!worker)
        return;
    progressCounter = worker->completed();
    form->pgbProgress->setValue(int(std::min<unsigned>(progressCounter, unsigned(form->pgbProgress->maximum()))));
    if (!worker->isRunning())
        return; // the finished signal ends the run
    const int running = worker->runningStep();
    if (running < 0 || running >= worker->stepCount())
        return;
    const ProcessData &step = worker->stepAt(running);
    QString text = QStringLiteral("Running step %1 of %2: %3").arg(running + 1).arg(worker->stepCount()).arg(step.getName());
    if (closeWhenFinished)
        text += QStringLiteral(" (stopping after this step)");
    form->lblStatus->setText(text);
    for (int i = 0; i < form->trwProcesses->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = form->trwProcesses->topLevelItem(i);
        QFont font = row->font(0);
        font.setBold(row->data(0, idRole).toUInt() == step.getId());
        row->setFont(0, font);
        row->setText(2, font.bold() ? QStringLiteral("running") : stepNotes.value(row->data(0, idRole).toUInt()));
    }
}

void RunProcessesDialog::showRunResult()
{
    if (!worker)
        return;
    auto redraw = [](const std::shared_ptr<Model::Automaton::TotalVolume> &target) {
        if (!target)
            return;
        target->getPainter().rebuild();
        target->getPainter().setHidden(false);
    };
    for (const auto &created : worker->getCreatedVolumes())
        redraw(created);
    if (volume)
        volume->getPainter().rebuild();
    if (mainWindow)
        mainWindow->repaintCentralWidget();
}

void RunProcessesDialog::runEnded()
{
    if (!worker || worker->isRunning())
        return;
    timer.stop();
    volume = worker->getVolume();
    showRunResult();
    const auto summary = worker->getSummary();
    for (const auto &report : worker->getReports()) {
        const ProcessData &step = worker->stepAt(report.index);
        if (report.code == Core::BatchRun::BatchStepExecutor::Done) {
            if (!report.effect.isEmpty())
                stepNotes.insert(step.getId(), report.effect);
            continue;
        }
        stepNotes.insert(step.getId(), QStringLiteral("skipped: ") + report.reason);
    }
    progressCounter = worker->completed();
    rebuildTree();

    // The run's changes are one entry of the undo stack.
    if (summary.stepsDone > 0 && workspace)
        workspace->getUndoRedo().push(worker->getRecord());

    QString status = QStringLiteral("%1 of %2 steps done").arg(summary.stepsDone).arg(worker->stepCount());
    if (summary.stepsSkipped > 0)
        status += QStringLiteral(", %1 skipped (see the list)").arg(summary.stepsSkipped);
    if (summary.stoppedOnRequest)
        status += QStringLiteral(", stopped on request");
    form->lblStatus->setText(status + QLatin1Char('.'));

    worker.reset();
    setRunning(false);
    if (abandoned)
        return;
    if (summary.missingVolume && !volume) {
        QMessageBox::critical(this, QStringLiteral("Missing Cell Volume"),
                              QStringLiteral("No cell volume was selected and a cell volume was not created. The "
                                             "cell volume must be created before any other process."),
                              QMessageBox::Ok);
        progressCounter = 0;
        form->pgbProgress->setValue(0);
    } else {
        form->pgbProgress->setValue(int(std::min<unsigned>(progressCounter, unsigned(form->pgbProgress->maximum()))));
    }
    emit runFinished();
    if (closeWhenFinished) {
        closeWhenFinished = false;
        QDialog::reject();
    }
}

bool RunProcessesDialog::updateGeometry(const QString &fileName)
{
    if (abandoned)
        return false;
    // The worker waits for this call, so nothing changes the cells meanwhile.
    showRunResult();
    if (fileName.isEmpty())
        return true;
    return mainWindow && mainWindow->saveImage(fileName);
}

bool RunProcessesDialog::saveImageFromWorker(const QString &fileName)
{
    if (abandoned)
        return false;
    bool saved = false;
    QMetaObject::invokeMethod(this, [this, &saved, fileName] { saved = updateGeometry(fileName); },
                              Qt::BlockingQueuedConnection);
    return saved;
}

void RunProcessesDialog::on_btnClose_clicked()
{
    if (!isRunning()) {
        QDialog::reject();
        return;
    }
    if (closeWhenFinished)
        return;
    const auto answer = QMessageBox::question(this, windowTitle(),
                                              QStringLiteral("A batch run is in progress. Stop it after the current "
                                                             "step and close?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // The run may have ended while the question was open.
    if (answer != QMessageBox::Yes)
        return;
    if (!isRunning()) {
        QDialog::reject();
        return;
    }
    closeWhenFinished = true;
    worker->requestStop();
    form->lblStatus->setText(QStringLiteral("Stopping after the current step ..."));
}

void RunProcessesDialog::reject()
{
    on_btnClose_clicked();
}

void RunProcessesDialog::closeEvent(QCloseEvent *event)
{
    if (isRunning()) {
        event->ignore();
        on_btnClose_clicked();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace Ui

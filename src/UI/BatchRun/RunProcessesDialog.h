#pragma once

#include "Core/BatchRun/ProcessData.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>

class QTreeWidgetItem;

namespace Core {
class Workspace;
}

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Ui {

class BatchRunWorker;
class MainWindow;
class RunProcessesBaseDialog;

// The batch run: compose a recipe of process steps (each entered through its
// process's options dialog), reorder, save and load it, and run it on the
// current volume (or on the volume a Create Substrate step makes) while a
// progress bar follows. The steps run on a worker thread of their own; while
// they run the list cannot change, Escape and the window's close behave like
// Close, and Close offers to stop after the running step. The result is drawn
// when the run ends and the run is one undoable entry.
class RunProcessesDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int progressIntervalMs = 500;

    RunProcessesDialog(Core::Workspace *workspace, MainWindow *mainWindow,
                       std::shared_ptr<Model::Automaton::TotalVolume> volume, QWidget *parent = nullptr);
    ~RunProcessesDialog() override;

    QList<Core::BatchRun::ProcessData> getSteps() const { return steps; }
    void appendStep(const Core::BatchRun::ProcessData &step);
    std::shared_ptr<Model::Automaton::TotalVolume> getCurrentVolume() const { return volume; }
    bool isRunning() const;
    // Steps completed by the current or last run.
    unsigned getProgressCounter() const { return progressCounter; }

    // What Save List and Load List do once a file is chosen; false (with a
    // message box) when the file could not be written or read.
    bool saveList(const QString &fileName);
    bool loadList(const QString &fileName);

    // The buttons, connected explicitly.
    void on_btnAddProcess_clicked();
    void on_btnRemoveProcess_clicked();
    void on_btnMoveUp_clicked();
    void on_btnMoveDown_clicked();
    void on_btnSaveList_clicked();
    void on_btnLoadList_clicked();
    void on_btnRun_clicked();
    void on_btnClose_clicked();

public slots:
    // Only step rows can be selected.
    void selectionChanged();
    void updateProgress();
    // Draws the current state of the run and, with a name, saves the view
    // to that image file. Interface thread only; true unless a save failed.
    bool updateGeometry(const QString &fileName);

signals:
    // The run has ended and its result is drawn.
    void runFinished();

protected:
    // Escape and the window's close go through Close.
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fillChooser();
    void rebuildTree();
    void setRunning(bool running);
    void runEnded();
    // The view draws again what the run hid and changed; interface thread.
    void showRunResult();
    bool saveImageFromWorker(const QString &fileName);
    int firstSelectedStep() const;
    void moveSelected(int offset);
    QTreeWidgetItem *stepRow(std::uint32_t id) const;

    std::unique_ptr<RunProcessesBaseDialog> form;
    Core::Workspace *workspace;
    MainWindow *mainWindow;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    QList<Core::BatchRun::ProcessData> steps;
    QTimer timer;
    std::unique_ptr<BatchRunWorker> worker;
    unsigned progressCounter = 0;
    // What the last run did with each step, by step id ("skipped: ...").
    QHash<std::uint32_t, QString> stepNotes;
    bool closeWhenFinished = false;
    // Set when the dialog goes away mid-run: image requests are refused.
    std::atomic<bool> abandoned{false};
};

} // namespace Ui

#pragma once

#include "Model/Process/Process.h"

#include <QDialog>
#include <QVector>

#include <memory>

namespace Ui {

class EditCompatibleMaterialsBaseDialog;

// Edits the compatible materials of every process on a working copy of the
// process catalogue; nothing reaches the catalogue until the caller applies it.
class EditCompatibleMaterialsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit EditCompatibleMaterialsDialog(QWidget *parent = nullptr);
    ~EditCompatibleMaterialsDialog() override;

    // The working copy, every process with its edited list.
    QVector<Model::Process::Process> getProcesses() const { return processes; }

    // Runs the dialog modally; on OK stores every process in the catalogue and
    // writes "processes.xml". True when the user pressed OK.
    static bool editCatalogue(QWidget *parent);

private:
    void selectProcess(int comboIndex);
    void addSelected();
    void removeSelected();
    void refillLists();
    Model::Process::Process *workingProcess();

    std::unique_ptr<EditCompatibleMaterialsBaseDialog> form;
    QVector<Model::Process::Process> processes;
    int current = -1; // index into processes, -1 for none
};

} // namespace Ui

#pragma once

#include <QDialog>

#include <memory>

namespace Core {
namespace Operations {
class RunModelExtraction;
}
}

namespace Ui {

class ExtractModelForm;

namespace Operations {

// The three steps of a model extraction, one button each, run in order:
// the blocks, the beams, then the netlist (repeatable). Non-modal, so the
// view can be turned while the results stand in it. Closing the dialog
// finishes the operation.
class ExtractModelDialog : public QDialog
{
    Q_OBJECT

public:
    ExtractModelDialog(const std::shared_ptr<Core::Operations::RunModelExtraction> &operation, QWidget *parent);
    ~ExtractModelDialog() override;

    // The file the last netlist went to (the home folder at first), for the
    // next save dialog; kept while the program runs.
    static QString lastNetlistPath();

public slots:
    void runStepOneClicked();
    void runStepTwoClicked();
    void runStepThreeClicked();
    void reject() override;

private:
    std::unique_ptr<ExtractModelForm> form;
    std::weak_ptr<Core::Operations::RunModelExtraction> operation;
};

} // namespace Operations
} // namespace Ui

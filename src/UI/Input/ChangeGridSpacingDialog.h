#pragma once

#include <QDialog>

#include <memory>

namespace Ui {

class ChangeGridSpacingDialogForm;

namespace Input {

// Asks for the spacing of the view's ground grid, starting from the current one.
class ChangeGridSpacingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ChangeGridSpacingDialog(double currentSpacing, QWidget *parent = nullptr);
    ~ChangeGridSpacingDialog() override;

    double getSpacing() const;

public slots:
    // A spacing that is not positive gets a message and keeps the dialog open.
    void accept() override;

private:
    std::unique_ptr<ChangeGridSpacingDialogForm> ui;
};

} // namespace Input
} // namespace Ui

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

    // May be 0; the view then keeps its previous spacing.
    double getSpacing() const;

private:
    std::unique_ptr<ChangeGridSpacingDialogForm> ui;
};

} // namespace Input
} // namespace Ui

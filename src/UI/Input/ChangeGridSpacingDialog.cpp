#include "ChangeGridSpacingDialog.h"

#include "ui_ChangeGridSpacingDialog.h"

#include <QMessageBox>

namespace Ui {
namespace Input {

ChangeGridSpacingDialog::ChangeGridSpacingDialog(double currentSpacing, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<ChangeGridSpacingDialogForm>())
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->dblSpacing->setValue(currentSpacing);
}

ChangeGridSpacingDialog::~ChangeGridSpacingDialog() = default;

void ChangeGridSpacingDialog::accept()
{
    if (!(getSpacing() > 0.0)) {
        QMessageBox::warning(this, windowTitle(), tr("The grid spacing must be greater than 0."));
        return;
    }
    QDialog::accept();
}

double ChangeGridSpacingDialog::getSpacing() const
{
    return ui->dblSpacing->value();
}

} // namespace Input
} // namespace Ui

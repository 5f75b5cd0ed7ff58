#include "ChangeGridSpacingDialog.h"

#include "ui_ChangeGridSpacingDialog.h"

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

double ChangeGridSpacingDialog::getSpacing() const
{
    return ui->dblSpacing->value();
}

} // namespace Input
} // namespace Ui

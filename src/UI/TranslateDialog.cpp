#include "TranslateDialog.h"

#include "ui_TranslateDialog.h"

namespace Ui {

TranslateDialog::TranslateDialog(const Util::Vector3D &current, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<TranslateDialogForm>())
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->dblDistanceX->setValue(current.x);
    ui->dblDistanceY->setValue(current.y);
    ui->dblDistanceZ->setValue(current.z);
}

TranslateDialog::~TranslateDialog() = default;

Util::Vector3D TranslateDialog::getTranslation() const
{
    return Util::Vector3D(ui->dblDistanceX->value(), ui->dblDistanceY->value(), ui->dblDistanceZ->value());
}

} // namespace Ui

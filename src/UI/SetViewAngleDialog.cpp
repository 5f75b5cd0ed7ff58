#include "SetViewAngleDialog.h"

#include "ui_SetViewAngleDialog.h"

namespace Ui {

double SetViewAngleDialog::lastAngleX = 0.0;
double SetViewAngleDialog::lastAngleY = 0.0;
double SetViewAngleDialog::lastAngleZ = 0.0;

SetViewAngleDialog::SetViewAngleDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<SetViewAngleForm>())
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->dblAngleX->setValue(lastAngleX);
    ui->dblAngleY->setValue(lastAngleY);
    ui->dblAngleZ->setValue(lastAngleZ);
}

SetViewAngleDialog::~SetViewAngleDialog() = default;

double SetViewAngleDialog::getAngleX()
{
    lastAngleX = ui->dblAngleX->value();
    return lastAngleX;
}

double SetViewAngleDialog::getAngleY()
{
    lastAngleY = ui->dblAngleY->value();
    return lastAngleY;
}

double SetViewAngleDialog::getAngleZ()
{
    lastAngleZ = ui->dblAngleZ->value();
    return lastAngleZ;
}

void SetViewAngleDialog::resetRememberedAngles()
{
    lastAngleX = 0.0;
    lastAngleY = 0.0;
    lastAngleZ = 0.0;
}

} // namespace Ui

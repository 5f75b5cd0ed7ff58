#include "SetZoomDialog.h"

#include "ui_SetZoomDialog.h"

#include <cmath>

namespace Ui {

SetZoomDialog::SetZoomDialog(double currentZoom, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<SetZoomDialogForm>())
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ui->dblZoom->setValue(percentageForZoom(currentZoom));
}

SetZoomDialog::~SetZoomDialog() = default;

double SetZoomDialog::getZoom() const
{
    return zoomForPercentage(ui->dblZoom->value());
}

double SetZoomDialog::percentageForZoom(double zoom)
{
    // A zoom the view could never have shows as 100 %.
    if (!(zoom > 0.0) || !std::isfinite(zoom))
        return 100.0;
    return 100.0 / zoom;
}

double SetZoomDialog::zoomForPercentage(double percentage)
{
    return 1.0 / (percentage / 100.0);
}

} // namespace Ui

#include "UI/Operations/Doping/DopingOptionsDialog.h"

#include "ui_DopingOptionsDialog.h"

namespace Ui {
namespace Operations {

DopingOptionsDialog::DopingOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<DopingOptionsBaseDialog>())
{
    form->setupUi(this);
}

DopingOptionsDialog::~DopingOptionsDialog() = default;

std::uint32_t DopingOptionsDialog::getDopantType() const
{
    return form->radNType->isChecked() ? 0u : 1u;
}

double DopingOptionsDialog::getDepth() const
{
    return form->dblDopingDepth->value();
}

} // namespace Operations
} // namespace Ui

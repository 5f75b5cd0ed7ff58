#include "UI/Operations/Doping/IonImplantationOptionsDialog.h"

#include "ui_IonImplantationOptionsDialog.h"

namespace Ui {
namespace Operations {

IonImplantationOptionsDialog::IonImplantationOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IonImplantationOptionsBaseDialog>())
{
    form->setupUi(this);
}

IonImplantationOptionsDialog::~IonImplantationOptionsDialog() = default;

double IonImplantationOptionsDialog::getImplantationDepth() const
{
    return form->dblImplantationDepth->value();
}

double IonImplantationOptionsDialog::getAnnealingDistance() const
{
    return form->dblAnnealingDistance->value();
}

std::uint32_t IonImplantationOptionsDialog::getDopantType() const
{
    return form->radNType->isChecked() ? 0u : 1u;
}

} // namespace Operations
} // namespace Ui

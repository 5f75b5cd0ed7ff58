#include "UI/Operations/Film/AnisotropicDepositionDialog.h"

#include "Core/ProcessTable.h"
#include "ui_AnisotropicDepositionDialog.h"

#include "Model/Materials/Material.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/MaterialChoice.h"

namespace Ui {
namespace Operations {

AnisotropicDepositionDialog::AnisotropicDepositionDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<AnisotropicDepositionBaseDialog>())
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxMaterial, Model::Process::ProcessFactory::getInstance()
                                                ->getProcess(Core::ProcessTable::kind(Core::ProcessKey::Pvd).catalogueName)
                                                .getCompatibleMaterials());
}

AnisotropicDepositionDialog::~AnisotropicDepositionDialog() = default;

std::uint32_t AnisotropicDepositionDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxMaterial);
}

double AnisotropicDepositionDialog::getThickness() const
{
    return form->dblThickness->value();
}

double AnisotropicDepositionDialog::getRatio() const
{
    return form->dblRatio->value();
}

std::uint32_t AnisotropicDepositionDialog::getDepositOn() const
{
    if (form->radBottom->isChecked())
        return 2;
    if (form->radBoth->isChecked())
        return 3;
    return 1;
}

} // namespace Operations
} // namespace Ui

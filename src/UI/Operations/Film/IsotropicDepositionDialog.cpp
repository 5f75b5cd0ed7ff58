#include "UI/Operations/Film/IsotropicDepositionDialog.h"

#include "Core/ProcessTable.h"
#include "ui_IsotropicDepositionDialog.h"

#include "Model/Materials/Material.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/MaterialChoice.h"

namespace Ui {
namespace Operations {

IsotropicDepositionDialog::IsotropicDepositionDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IsotropicDepositionForm>())
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxMaterial, Model::Process::ProcessFactory::getInstance()
                                                ->getProcess(Core::ProcessTable::kind(Core::ProcessKey::Cvd).catalogueName)
                                                .getCompatibleMaterials());
}

IsotropicDepositionDialog::~IsotropicDepositionDialog() = default;

double IsotropicDepositionDialog::getThickness() const
{
    return form->dblThickness->value();
}

std::uint32_t IsotropicDepositionDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxMaterial);
}

void IsotropicDepositionDialog::setMaterialId(std::uint32_t id)
{
    MaterialChoice::select(form->cbxMaterial, id);
}

} // namespace Operations
} // namespace Ui

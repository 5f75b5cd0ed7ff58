#include "UI/Operations/Film/IsotropicEtchingDialog.h"

#include "Core/ProcessTable.h"
#include "ui_IsotropicEtchingDialog.h"

#include "Model/Materials/Material.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/MaterialChoice.h"

namespace Ui {
namespace Operations {

IsotropicEtchingDialog::IsotropicEtchingDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IsotropicEtchingForm>())
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxMaterial, Model::Process::ProcessFactory::getInstance()
                                                ->getProcess(Core::ProcessTable::kind(Core::ProcessKey::IsotropicEtching).catalogueName)
                                                .getCompatibleMaterials());
}

IsotropicEtchingDialog::~IsotropicEtchingDialog() = default;

double IsotropicEtchingDialog::getDepth() const
{
    return form->dblDepth->value();
}

std::uint32_t IsotropicEtchingDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxMaterial);
}

void IsotropicEtchingDialog::setMaterialId(std::uint32_t id)
{
    MaterialChoice::select(form->cbxMaterial, id);
}

} // namespace Operations
} // namespace Ui

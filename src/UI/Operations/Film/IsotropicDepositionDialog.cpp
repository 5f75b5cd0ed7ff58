#include "UI/Operations/Film/IsotropicDepositionDialog.h"

#include "Core/ProcessTable.h"
#include "ui_IsotropicDepositionDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/Material.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

IsotropicDepositionDialog::IsotropicDepositionDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IsotropicDepositionForm>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblThickness, Core::ProcessKey::Cvd, QStringLiteral("Thickness"));
    MaterialChoice::fill(form->cbxMaterial, Model::Process::ProcessFactory::getInstance()
                                                ->getProcess(Core::ProcessTable::kind(Core::ProcessKey::Cvd).catalogueName)
                                                .getCompatibleMaterials());
    DialogMemory::attach(this);
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

Core::BatchRun::ProcessData IsotropicDepositionDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Cvd));
    step.setParameter(QStringLiteral("Thickness"), getThickness(), true);
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    return step;
}

} // namespace Operations
} // namespace Ui

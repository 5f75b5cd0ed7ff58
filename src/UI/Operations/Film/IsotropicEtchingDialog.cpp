#include "UI/Operations/Film/IsotropicEtchingDialog.h"

#include "Core/ProcessTable.h"
#include "ui_IsotropicEtchingDialog.h"

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

IsotropicEtchingDialog::IsotropicEtchingDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IsotropicEtchingForm>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblDepth, Core::ProcessKey::IsotropicEtching, QStringLiteral("Depth"));
    MaterialChoice::fill(form->cbxMaterial, Model::Process::ProcessFactory::getInstance()
                                                ->getProcess(Core::ProcessTable::kind(Core::ProcessKey::IsotropicEtching).catalogueName)
                                                .getCompatibleMaterials());
    // The material comes from the volume's surface (see its observer), not from last time.
    DialogMemory::attach(this, {QStringLiteral("cbxMaterial")});
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

Core::BatchRun::ProcessData IsotropicEtchingDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::IsotropicEtching));
    step.setParameter(QStringLiteral("Depth"), getDepth(), true);
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    return step;
}

} // namespace Operations
} // namespace Ui

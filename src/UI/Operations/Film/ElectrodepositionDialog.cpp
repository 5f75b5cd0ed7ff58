#include "UI/Operations/Film/ElectrodepositionDialog.h"

#include "ui_ElectrodepositionDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

ElectrodepositionDialog::ElectrodepositionDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<ElectrodepositionForm>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblThickness, Core::ProcessKey::Electroplating, QStringLiteral("Film Thickness"));
    const auto materials = Model::Materials::MaterialFactory::getInstance()->getMaterials();
    MaterialChoice::fill(form->cbxMaterial, materials);
    MaterialChoice::fill(form->cbxConductingMaterial, materials);
    DialogMemory::attach(this);
}

ElectrodepositionDialog::~ElectrodepositionDialog() = default;

double ElectrodepositionDialog::getThickness() const
{
    return form->dblThickness->value();
}

std::uint32_t ElectrodepositionDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxMaterial);
}

std::uint32_t ElectrodepositionDialog::getConductingMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxConductingMaterial);
}

Core::BatchRun::ProcessData ElectrodepositionDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Electroplating));
    step.setParameter(QStringLiteral("Film Thickness"), getThickness(), true);
    Core::BatchRun::MaterialParameters::set(step, getConductingMaterialId(), QStringLiteral("Conducting"));
    Core::BatchRun::MaterialParameters::set(step, getMaterialId(), QStringLiteral("Deposited"));
    return step;
}

} // namespace Operations
} // namespace Ui

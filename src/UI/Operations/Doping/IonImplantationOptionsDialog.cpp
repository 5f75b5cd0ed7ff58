#include "UI/Operations/Doping/IonImplantationOptionsDialog.h"

#include "ui_IonImplantationOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Doping/DopantTypes.h"
#include "UI/DialogMemory.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

IonImplantationOptionsDialog::IonImplantationOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IonImplantationOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblImplantationDepth, Core::ProcessKey::IonImplantation, QStringLiteral("Implantation Depth"));
    ParameterRange::apply(form->dblAnnealingDistance, Core::ProcessKey::IonImplantation, QStringLiteral("Annealing Distance"));
    DialogMemory::attach(this);
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

Core::BatchRun::ProcessData IonImplantationOptionsDialog::toProcessData() const
{
    using Core::Operations::DopantTypes;
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::IonImplantation));
    const std::uint32_t dopant = getDopantType();
    step.setParameter(QStringLiteral("Annealing Distance"), float(getAnnealingDistance()), true);
    step.setParameter(QStringLiteral("Implantation Depth"), float(getImplantationDepth()), true);
    step.setParameter(QStringLiteral("DopingTypeValue"), uint(dopant), false);
    step.setParameter(QStringLiteral("Doping Type"),
                      dopant == DopantTypes::pType ? QStringLiteral("P Type") : QStringLiteral("N Type"), true);
    step.setParameter(QStringLiteral("DopedMaterialId"), uint(DopantTypes::silicon), false);
    return step;
}

} // namespace Operations
} // namespace Ui

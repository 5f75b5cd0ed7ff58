#include "UI/Operations/Film/AnisotropicDepositionDialog.h"

#include "Core/ProcessTable.h"
#include "ui_AnisotropicDepositionDialog.h"

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

AnisotropicDepositionDialog::AnisotropicDepositionDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<AnisotropicDepositionBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblThickness, Core::ProcessKey::Pvd, QStringLiteral("Thickness"));
    MaterialChoice::fill(form->cbxMaterial, Model::Process::ProcessFactory::getInstance()
                                                ->getProcess(Core::ProcessTable::kind(Core::ProcessKey::Pvd).catalogueName)
                                                .getCompatibleMaterials());
    DialogMemory::attach(this);
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

Core::BatchRun::ProcessData AnisotropicDepositionDialog::toProcessData() const
{
    static const char *const sides[] = {"On Top", "On Bottom", "On Top and Bottom"};
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Pvd));
    const std::uint32_t side = getDepositOn();
    step.setParameter(QStringLiteral("Thickness"), getThickness(), true);
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    step.setParameter(QStringLiteral("DepositOn"), int(side), false);
    step.setParameter(QStringLiteral("Deposit On"), QString::fromLatin1(sides[side - 1]), true);
    step.setParameter(QStringLiteral("Horizontal to Vertical Ratio"), getRatio(), true);
    return step;
}

} // namespace Operations
} // namespace Ui

#include "UI/Operations/Doping/DopingOptionsDialog.h"

#include "ui_DopingOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Doping/DopantTypes.h"
#include "UI/DialogMemory.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

DopingOptionsDialog::DopingOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<DopingOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblDopingDepth, Core::ProcessKey::Doping, QStringLiteral("Doping Depth"));
    DialogMemory::attach(this);
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

Core::BatchRun::ProcessData DopingOptionsDialog::toProcessData(std::int32_t type) const
{
    using Core::Operations::DopantTypes;
    Core::BatchRun::ProcessData step(type);
    const std::uint32_t dopant = getDopantType();
    step.setParameter(QStringLiteral("Doping Depth"), float(getDepth()), true);
    if (type == Core::ProcessTable::listCode(Core::ProcessKey::DiffusionDoping)) {
        step.setParameter(QStringLiteral("DopingTypeValue"), uint(dopant), false);
        step.setParameter(QStringLiteral("Doping Type"),
                          dopant == DopantTypes::pType ? QStringLiteral("P") : QStringLiteral("N"), true);
        step.setParameter(QStringLiteral("DopedMaterialId"), uint(DopantTypes::silicon), false);
    } else {
        step.setParameter(QStringLiteral("Doping Type"), uint(dopant), true);
        Core::BatchRun::MaterialParameters::set(step, DopantTypes::silicon);
    }
    return step;
}

} // namespace Operations
} // namespace Ui

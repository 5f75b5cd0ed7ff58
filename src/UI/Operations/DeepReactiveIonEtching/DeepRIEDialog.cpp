#include "UI/Operations/DeepReactiveIonEtching/DeepRIEDialog.h"

#include "ui_DeepRIEDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtching.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

namespace {
const Core::ProcessKey key = Core::ProcessKey::DeepRie;
}

DeepRIEDialog::DeepRIEDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<DeepRIEForm>())
{
    form->setupUi(this);
    ParameterRange::apply(form->sbxCycles, key, QStringLiteral("Cycles"));
    ParameterRange::apply(form->sbxEtchPerCycle, key, QStringLiteral("Etch Per Cycle"));
    ParameterRange::apply(form->sbxPassivation, key, QStringLiteral("Passivation Thickness"));
    MaterialChoice::fill(form->cbxMaterial, Model::Materials::MaterialFactory::getInstance()->getMaterials());
    MaterialChoice::select(form->cbxMaterial, 1);
    connect(form->sbxCycles, QOverload<int>::of(&QSpinBox::valueChanged), this, &DeepRIEDialog::showPrediction);
    connect(form->sbxEtchPerCycle, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &DeepRIEDialog::showPrediction);
    connect(form->chkArde, &QCheckBox::toggled, this, &DeepRIEDialog::showPrediction);
    DialogMemory::attach(this);
    showPrediction();
}

DeepRIEDialog::~DeepRIEDialog() = default;

std::uint32_t DeepRIEDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxMaterial);
}

std::uint32_t DeepRIEDialog::getCycles() const
{
    return std::uint32_t(form->sbxCycles->value());
}

double DeepRIEDialog::getEtchPerCycle() const
{
    return form->sbxEtchPerCycle->value();
}

double DeepRIEDialog::getPassivationThickness() const
{
    return form->sbxPassivation->value();
}

bool DeepRIEDialog::isAspectRatioDependent() const
{
    return form->chkArde->isChecked();
}

void DeepRIEDialog::showPrediction()
{
    const double depth = Core::Operations::DeepReactiveIonEtching::openSurfaceDepth(getCycles(), getEtchPerCycle());
    QString text = QStringLiteral("An open surface goes down %1").arg(Core::Operations::ProcessEffect::micrometres(depth));
    if (isAspectRatioDependent())
        text += QStringLiteral("; narrow openings less");
    form->lblPrediction->setText(text + QLatin1Char('.'));
}

Core::BatchRun::ProcessData DeepRIEDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(key));
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    step.setParameter(QStringLiteral("Cycles"), uint(getCycles()), true);
    step.setParameter(QStringLiteral("Etch Per Cycle"), getEtchPerCycle(), true);
    step.setParameter(QStringLiteral("Passivation Thickness"), getPassivationThickness(), true);
    step.setParameter(QStringLiteral("ARDE"), isAspectRatioDependent(), true);
    return step;
}

} // namespace Operations
} // namespace Ui

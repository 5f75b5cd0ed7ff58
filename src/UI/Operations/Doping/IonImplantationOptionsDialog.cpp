#include "UI/Operations/Doping/IonImplantationOptionsDialog.h"

#include "ui_IonImplantationOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Doping/DopantTypes.h"
#include "Core/BatchRun/PhysicalParameters.h"
#include "Core/BatchRun/StepParameters.h"
#include "UI/DialogMemory.h"
#include "UI/ModeFields.h"
#include "UI/ParameterRange.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

namespace Ui {
namespace Operations {

IonImplantationOptionsDialog::IonImplantationOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<IonImplantationOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblImplantationDepth, Core::ProcessKey::IonImplantation, QStringLiteral("Implantation Depth"));
    ParameterRange::apply(form->dblAnnealingDistance, Core::ProcessKey::IonImplantation, QStringLiteral("Annealing Distance"));
    depthMode = new QRadioButton(QStringLiteral("Layer at a depth"), this);
    depthMode->setObjectName(QStringLiteral("radDepthMode"));
    speciesMode = new QRadioButton(QStringLiteral("Species, energy and dose"), this);
    speciesMode->setObjectName(QStringLiteral("radSpeciesMode"));
    auto *modes = new QButtonGroup(this);
    modes->addButton(depthMode);
    modes->addButton(speciesMode);
    // Checked once grouped: a radio button checked on its own would uncheck
    // the dialog's other radio buttons.
    depthMode->setChecked(true);
    fields = new ModeFields(Core::ProcessKey::IonImplantation,
                            {QStringLiteral("Species"), QStringLiteral("Energy"), QStringLiteral("Dose"),
                             QStringLiteral("Background Doping"), QStringLiteral("Anneal Time"),
                             QStringLiteral("Anneal Temperature")},
                            this);
    outcome = new QLabel(this);
    outcome->setObjectName(QStringLiteral("lblOutcome"));
    outcome->setWordWrap(true);
    form->layMain->insertWidget(0, depthMode);
    form->layMain->insertWidget(2, speciesMode);
    form->layMain->insertWidget(3, fields);
    form->layMain->insertWidget(4, outcome);
    connect(depthMode, &QRadioButton::toggled, this, &IonImplantationOptionsDialog::updateMode);
    connect(fields, &ModeFields::edited, this, &IonImplantationOptionsDialog::updateMode);
    DialogMemory::attach(this);
    updateMode();
}

void IonImplantationOptionsDialog::updateMode()
{
    const bool bySpecies = speciesMode->isChecked();
    for (QWidget *widget : std::initializer_list<QWidget *>{
             form->dblImplantationDepth, form->lblImplantationDepth, form->dblAnnealingDistance,
             form->lblAnnealingDistance, form->radPType, form->radNType, form->lblDopantType})
        widget->setEnabled(!bySpecies);
    fields->setEnabled(bySpecies);
    if (!bySpecies) {
        ModeFields::showOutcome(outcome, form->buttonBox, QString(), QString());
        return;
    }
    const Core::BatchRun::ProcessData step = toProcessData();
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::implant(parameters);
    ModeFields::showOutcome(outcome, form->buttonBox, parameters.reason(),
                            recipe ? recipe->notes().join(QStringLiteral(", ")) : QString());
}

std::optional<Core::Operations::ImplantRecipe> IonImplantationOptionsDialog::getRecipe() const
{
    const Core::BatchRun::ProcessData step = toProcessData();
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::implant(parameters);
    return parameters.code() ? std::nullopt : recipe;
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
    const bool bySpecies = speciesMode->isChecked();
    if (bySpecies)
        fields->addTo(step);
    // The species decides the type of an implant by species.
    const auto species = Core::Operations::Dopants::fromName(fields->choice(QStringLiteral("Species")));
    const std::uint32_t dopant = bySpecies && species ? Core::Operations::Dopants::dopantType(*species)
                                                      : getDopantType();
    step.setParameter(QStringLiteral("Annealing Distance"), float(getAnnealingDistance()), !bySpecies);
    step.setParameter(QStringLiteral("Implantation Depth"), float(getImplantationDepth()), !bySpecies);
    step.setParameter(QStringLiteral("DopingTypeValue"), uint(dopant), false);
    step.setParameter(QStringLiteral("Doping Type"),
                      dopant == DopantTypes::pType ? QStringLiteral("P Type") : QStringLiteral("N Type"), true);
    step.setParameter(QStringLiteral("DopedMaterialId"), uint(DopantTypes::silicon), false);
    return step;
}

} // namespace Operations
} // namespace Ui

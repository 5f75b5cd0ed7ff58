#include "UI/Operations/Doping/DopingOptionsDialog.h"

#include "ui_DopingOptionsDialog.h"

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

DopingOptionsDialog::DopingOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<DopingOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->dblDopingDepth, Core::ProcessKey::Doping, QStringLiteral("Doping Depth"));
    depthMode = new QRadioButton(QStringLiteral("Dope to a depth"), this);
    depthMode->setObjectName(QStringLiteral("radDepthMode"));
    sourceMode = new QRadioButton(QStringLiteral("Diffusion from a surface source"), this);
    sourceMode->setObjectName(QStringLiteral("radSourceMode"));
    auto *modes = new QButtonGroup(this);
    modes->addButton(depthMode);
    modes->addButton(sourceMode);
    // Checked once grouped: a radio button checked on its own would uncheck
    // the dialog's other radio buttons.
    depthMode->setChecked(true);
    fields = new ModeFields(Core::ProcessKey::Doping,
                            {QStringLiteral("Species"), QStringLiteral("Surface Concentration"),
                             QStringLiteral("Temperature"), QStringLiteral("Diffusion Time"),
                             QStringLiteral("Background Doping")},
                            this);
    outcome = new QLabel(this);
    outcome->setObjectName(QStringLiteral("lblOutcome"));
    outcome->setWordWrap(true);
    form->layMain->insertWidget(0, depthMode);
    form->layMain->insertWidget(2, sourceMode);
    form->layMain->insertWidget(3, fields);
    form->layMain->insertWidget(4, outcome);
    connect(depthMode, &QRadioButton::toggled, this, &DopingOptionsDialog::updateMode);
    connect(fields, &ModeFields::edited, this, &DopingOptionsDialog::updateMode);
    DialogMemory::attach(this);
    updateMode();
}

void DopingOptionsDialog::updateMode()
{
    const bool bySource = sourceMode->isChecked();
    for (QWidget *widget : std::initializer_list<QWidget *>{form->dblDopingDepth, form->lblDopingDepth, form->radPType,
                                                            form->radNType, form->lblDopantType})
        widget->setEnabled(!bySource);
    fields->setEnabled(bySource);
    if (!bySource) {
        ModeFields::showOutcome(outcome, form->buttonBox, QString(), QString());
        return;
    }
    const Core::BatchRun::ProcessData step = toProcessData(Core::ProcessTable::listCode(Core::ProcessKey::Doping));
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::diffusion(parameters);
    ModeFields::showOutcome(outcome, form->buttonBox, parameters.reason(),
                            recipe ? recipe->notes().join(QStringLiteral(", ")) : QString());
}

std::optional<Core::Operations::DiffusionRecipe> DopingOptionsDialog::getRecipe() const
{
    const Core::BatchRun::ProcessData step = toProcessData(Core::ProcessTable::listCode(Core::ProcessKey::Doping));
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::diffusion(parameters);
    return parameters.code() ? std::nullopt : recipe;
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
    if (sourceMode->isChecked())
        fields->addTo(step);
    // The species decides the type of a diffusion.
    const auto species = Core::Operations::Dopants::fromName(fields->choice(QStringLiteral("Species")));
    const std::uint32_t dopant = sourceMode->isChecked() && species ? Core::Operations::Dopants::dopantType(*species)
                                                                    : getDopantType();
    step.setParameter(QStringLiteral("Doping Depth"), float(getDepth()), !sourceMode->isChecked());
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

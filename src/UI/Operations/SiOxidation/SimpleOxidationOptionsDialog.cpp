#include "UI/Operations/SiOxidation/SimpleOxidationOptionsDialog.h"

#include "ui_SimpleOxidationOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "UI/DialogMemory.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

SimpleOxidationOptionsDialog::SimpleOxidationOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<SimpleOxidationOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->sbxOxideThickness, Core::ProcessKey::SiOxidation, QStringLiteral("Oxidation Thickness"));
    ParameterRange::apply(form->sbxOxidationTime, Core::ProcessKey::SiOxidation, QStringLiteral("Oxidation Time"));
    ParameterRange::apply(form->sbxOxidationTemperature, Core::ProcessKey::SiOxidation, QStringLiteral("Oxidation Temperature"));
    ParameterRange::apply(form->sbxOxidationPressure, Core::ProcessKey::SiOxidation, QStringLiteral("Oxidation Pressure"));
    ParameterRange::apply(form->sbxMicronConversion, Core::ProcessKey::SiOxidation, QStringLiteral("Micron Conversion"));
    connect(form->radOxidationTime, &QRadioButton::toggled, this, &SimpleOxidationOptionsDialog::updateModes);
    connect(form->radOxideThickness, &QRadioButton::toggled, this, &SimpleOxidationOptionsDialog::updateModes);
    updateModes();
    DialogMemory::attach(this);
}

SimpleOxidationOptionsDialog::~SimpleOxidationOptionsDialog() = default;

void SimpleOxidationOptionsDialog::updateModes()
{
    const bool time = form->radOxidationTime->isChecked();
    form->sbxOxideThickness->setEnabled(form->radOxideThickness->isChecked());
    form->sbxOxidationTime->setEnabled(time);
    form->sbxOxidationTemperature->setEnabled(time);
    form->sbxOxidationPressure->setEnabled(time);
}

bool SimpleOxidationOptionsDialog::isTimeMode() const
{
    return form->radOxidationTime->isChecked();
}

double SimpleOxidationOptionsDialog::getThickness() const
{
    return form->sbxOxideThickness->value();
}

double SimpleOxidationOptionsDialog::getTime() const
{
    return form->sbxOxidationTime->value();
}

double SimpleOxidationOptionsDialog::getTemperature() const
{
    return form->sbxOxidationTemperature->value();
}

double SimpleOxidationOptionsDialog::getPressure() const
{
    return form->sbxOxidationPressure->value();
}

double SimpleOxidationOptionsDialog::getCellUnitsPerMicron() const
{
    return form->sbxMicronConversion->value();
}

Core::BatchRun::ProcessData SimpleOxidationOptionsDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SiOxidation));
    const bool timeMode = isTimeMode();
    step.setParameter(QStringLiteral("Micron Conversion"), getCellUnitsPerMicron(), true);
    step.setParameter(QStringLiteral("Oxidation Pressure"), getPressure(), timeMode);
    step.setParameter(QStringLiteral("Oxidation Temperature"), getTemperature(), timeMode);
    step.setParameter(QStringLiteral("Oxidation Time"), getTime(), timeMode);
    step.setParameter(QStringLiteral("OxidationTimeSet"), timeMode, false);
    step.setParameter(QStringLiteral("Oxidation Thickness"), getThickness(), !timeMode);
    step.setParameter(QStringLiteral("OxidationThicknessSet"), !timeMode, false);
    return step;
}

} // namespace Operations
} // namespace Ui

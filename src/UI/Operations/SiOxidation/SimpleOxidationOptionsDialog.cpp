#include "UI/Operations/SiOxidation/SimpleOxidationOptionsDialog.h"

#include "ui_SimpleOxidationOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "UI/DialogMemory.h"
#include "UI/ModeFields.h"
#include "UI/ParameterRange.h"

#include <QLabel>
#include <QVBoxLayout>

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
    ambient = new ModeFields(Core::ProcessKey::SiOxidation, {QStringLiteral("Oxidation Ambient")}, this);
    outcome = new QLabel(this);
    outcome->setObjectName(QStringLiteral("lblOutcome"));
    outcome->setWordWrap(true);
    const int buttons = form->layMain->indexOf(form->buttonBox);
    form->layMain->insertWidget(buttons, ambient);
    form->layMain->insertWidget(buttons + 1, outcome);
    connect(form->radOxidationTime, &QRadioButton::toggled, this, &SimpleOxidationOptionsDialog::updateModes);
    connect(form->radOxideThickness, &QRadioButton::toggled, this, &SimpleOxidationOptionsDialog::updateModes);
    for (QDoubleSpinBox *box : {form->sbxOxidationTime, form->sbxOxidationTemperature, form->sbxOxidationPressure,
                                form->sbxMicronConversion})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &SimpleOxidationOptionsDialog::updateModes);
    connect(ambient, &ModeFields::edited, this, &SimpleOxidationOptionsDialog::updateModes);
    DialogMemory::attach(this);
    updateModes();
}

SimpleOxidationOptionsDialog::~SimpleOxidationOptionsDialog() = default;

void SimpleOxidationOptionsDialog::updateModes()
{
    const bool time = form->radOxidationTime->isChecked();
    form->sbxOxideThickness->setEnabled(form->radOxideThickness->isChecked());
    form->sbxOxidationTime->setEnabled(time);
    form->sbxOxidationTemperature->setEnabled(time);
    form->sbxOxidationPressure->setEnabled(time);
    ambient->setEnabled(time);
    if (!time) {
        ModeFields::showOutcome(outcome, form->buttonBox, QString(), QString());
        return;
    }
    const double microns = Core::Operations::DealGrove::thickness(getAmbient(), getTime(), getTemperature(),
                                                                  getPressure());
    const QString grown = QStringLiteral("Deal-Grove thickness %1 \u00b5m").arg(QString::number(microns, 'g', 4));
    ModeFields::showOutcome(outcome, form->buttonBox, QString(),
                            getCellUnitsPerMicron() == 1.0
                                ? grown
                                : grown + QStringLiteral(", %1 scene units")
                                              .arg(QString::number(microns * getCellUnitsPerMicron(), 'g', 4)));
}

Core::Operations::DealGrove::Ambient SimpleOxidationOptionsDialog::getAmbient() const
{
    return Core::Operations::DealGrove::fromName(ambient->choice(QStringLiteral("Oxidation Ambient")))
        .value_or(Core::Operations::DealGrove::Ambient::Dry);
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
    if (timeMode)
        ambient->addTo(step);
    step.setParameter(QStringLiteral("Oxidation Thickness"), getThickness(), !timeMode);
    step.setParameter(QStringLiteral("OxidationThicknessSet"), !timeMode, false);
    return step;
}

} // namespace Operations
} // namespace Ui

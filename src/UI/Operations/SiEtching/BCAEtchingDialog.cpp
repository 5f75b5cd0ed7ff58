#include "UI/Operations/SiEtching/BCAEtchingDialog.h"

#include "ui_BCAEtchingDialog.h"

#include "Core/BatchRun/PhysicalParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/StepParameters.h"
#include "Core/ProcessTable.h"
#include "UI/DialogMemory.h"
#include "UI/ModeFields.h"
#include "UI/ParameterRange.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

namespace Ui {
namespace Operations {

namespace {

const QString etchant = QStringLiteral("Etchant");

QString micrometres(double value)
{
    return QString::number(value, 'g', 4) + QString::fromUtf8(" \xc2\xb5m");
}

} // namespace

BCAEtchingDialog::BCAEtchingDialog(QWidget *parent, Core::ProcessKey k)
    : QDialog(parent)
    , form(std::make_unique<BCAEtchingBaseDialog>())
    , key(k)
{
    form->setupUi(this);
    ParameterRange::apply(form->dbxEtchDepth, key, QStringLiteral("Depth"));
    depthMode = new QRadioButton(QStringLiteral("Etch to a depth"), this);
    depthMode->setObjectName(QStringLiteral("radDepthMode"));
    etchantMode = new QRadioButton(QStringLiteral("Etchant and time"), this);
    etchantMode->setObjectName(QStringLiteral("radEtchantMode"));
    fields = new ModeFields(key, {etchant, QStringLiteral("Concentration"), QStringLiteral("Temperature"),
                                  QStringLiteral("Rate 100"), QStringLiteral("Etch Time")},
                            this);
    outcome = new QLabel(this);
    outcome->setObjectName(QStringLiteral("lblOutcome"));
    outcome->setWordWrap(true);
    auto *modes = new QButtonGroup(this);
    modes->addButton(depthMode);
    modes->addButton(etchantMode);
    // Checked once grouped: a radio button checked on its own would uncheck
    // the dialog's other radio buttons.
    depthMode->setChecked(true);
    form->layMain->insertWidget(0, depthMode);
    form->layMain->insertWidget(2, etchantMode);
    form->layMain->insertWidget(3, fields);
    form->layMain->insertWidget(4, outcome);
    connect(depthMode, &QRadioButton::toggled, this, &BCAEtchingDialog::updateMode);
    connect(fields, &ModeFields::edited, this, &BCAEtchingDialog::updateMode);
    DialogMemory::attach(this);
    updateMode();
}

BCAEtchingDialog::~BCAEtchingDialog() = default;

void BCAEtchingDialog::updateMode()
{
    const bool byEtchant = etchantMode->isChecked();
    form->dbxEtchDepth->setEnabled(!byEtchant);
    form->lblEtchDepth->setEnabled(!byEtchant);
    fields->setEnabled(byEtchant);
    const bool custom = Core::Operations::WetEtchRecipe::fromName(fields->choice(etchant))
                        == Core::Operations::WetEtchRecipe::Etchant::Custom;
    fields->setFieldEnabled(QStringLiteral("Concentration"), !custom);
    fields->setFieldEnabled(QStringLiteral("Temperature"), !custom);
    fields->setFieldEnabled(QStringLiteral("Rate 100"), custom);
    if (!byEtchant) {
        ModeFields::showOutcome(outcome, form->buttonBox, QString(), QString());
        return;
    }
    const Core::BatchRun::ProcessData step = toProcessData();
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::wetEtch(parameters);
    ModeFields::showOutcome(outcome, form->buttonBox, parameters.reason(),
                            recipe ? recipe->text() + QStringLiteral(": depth ") + micrometres(recipe->depth())
                                   : QString());
}

double BCAEtchingDialog::getDepth() const
{
    return form->dbxEtchDepth->value();
}

std::optional<Core::Operations::WetEtchRecipe> BCAEtchingDialog::getRecipe() const
{
    const Core::BatchRun::ProcessData step = toProcessData();
    Core::BatchRun::StepParameters parameters(step);
    const auto recipe = Core::BatchRun::PhysicalParameters::wetEtch(parameters);
    return parameters.code() ? std::nullopt : recipe;
}

Core::BatchRun::ProcessData BCAEtchingDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(key));
    step.setParameter(QStringLiteral("Depth"), getDepth(), !etchantMode->isChecked());
    if (etchantMode->isChecked())
        fields->addTo(step);
    return step;
}

} // namespace Operations
} // namespace Ui

#include "UI/Operations/Film/MooreOptionsDialog.h"

#include "ui_MooreOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

MooreOptionsDialog::MooreOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<MooreOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->sbxValue, Core::ProcessKey::MooreDeposition, QStringLiteral("Thickness"));
    ParameterRange::apply(form->sbxValue, Core::ProcessKey::MooreEtching, QStringLiteral("Depth"));
    MaterialChoice::fill(form->cbxFilm, Model::Materials::MaterialFactory::getInstance()->getMaterials());
    memory = DialogMemory::attach(this);
}

MooreOptionsDialog::~MooreOptionsDialog() = default;

void MooreOptionsDialog::setValueLabel(const QString &text)
{
    form->lblValue->setText(text);
    memory->setKey(objectName() + QLatin1Char('/') + text);
}

std::uint32_t MooreOptionsDialog::getValue() const
{
    return std::uint32_t(form->sbxValue->value());
}

std::uint32_t MooreOptionsDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxFilm);
}

Core::BatchRun::ProcessData MooreOptionsDialog::toProcessData(std::int32_t type) const
{
    Core::BatchRun::ProcessData step(type);
    const bool etching = type == Core::ProcessTable::listCode(Core::ProcessKey::MooreEtching);
    step.setParameter(etching ? QStringLiteral("Depth") : QStringLiteral("Thickness"), uint(getValue()), true);
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    return step;
}

} // namespace Operations
} // namespace Ui

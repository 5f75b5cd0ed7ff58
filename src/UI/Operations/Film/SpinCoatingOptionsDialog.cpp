#include "UI/Operations/Film/SpinCoatingOptionsDialog.h"

#include "ui_SpinCoatingOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/MaterialChoice.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

SpinCoatingOptionsDialog::SpinCoatingOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<SpinCoatingOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->sbxHeight, Core::ProcessKey::SpinCoating, QStringLiteral("Maximum Height"));
    MaterialChoice::fill(form->cbxMaterial, Model::Materials::MaterialFactory::getInstance()->getMaterials());
}

SpinCoatingOptionsDialog::~SpinCoatingOptionsDialog() = default;

void SpinCoatingOptionsDialog::setHeightLimit(int height)
{
    form->sbxHeight->setRange(0, height);
}

std::uint32_t SpinCoatingOptionsDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxMaterial);
}

std::uint32_t SpinCoatingOptionsDialog::getHeight() const
{
    return std::uint32_t(form->sbxHeight->value());
}

Core::BatchRun::ProcessData SpinCoatingOptionsDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::SpinCoating));
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    step.setParameter(QStringLiteral("Maximum Height"), uint(getHeight()), true);
    return step;
}

} // namespace Operations
} // namespace Ui

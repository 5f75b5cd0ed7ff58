#include "UI/Operations/Film/SpinCoatingOptionsDialog.h"

#include "ui_SpinCoatingOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/Film/SurfaceRange.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"
#include "UI/Operations/Film/LevelText.h"
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
    form->lblSurface->hide();
    connect(form->sbxHeight, QOverload<int>::of(&QSpinBox::valueChanged), this, &SpinCoatingOptionsDialog::showLevel);
    showLevel();
    DialogMemory::attach(this);
}

SpinCoatingOptionsDialog::~SpinCoatingOptionsDialog() = default;

void SpinCoatingOptionsDialog::setHeightLimit(int height)
{
    form->sbxHeight->setRange(0, height);
}

void SpinCoatingOptionsDialog::setVolumeScale(double sizeZ, const Core::Operations::SurfaceRange &surface)
{
    cellSizeZ = sizeZ;
    form->lblSurface->setText(LevelText::surface(surface, cellSizeZ));
    form->lblSurface->show();
    showLevel();
}

void SpinCoatingOptionsDialog::showLevel()
{
    form->lblHeightLevel->setText(LevelText::level(form->sbxHeight->value(), cellSizeZ));
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

#include "UI/Operations/Film/PlanarizationOptionsDialog.h"

#include "ui_PlanarizationOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/Film/SurfaceRange.h"
#include "Core/ProcessTable.h"
#include "UI/DialogMemory.h"
#include "UI/Operations/Film/LevelText.h"
#include "UI/ParameterRange.h"

namespace Ui {
namespace Operations {

PlanarizationOptionsDialog::PlanarizationOptionsDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<PlanarizationOptionsBaseDialog>())
{
    form->setupUi(this);
    ParameterRange::apply(form->sbxMinimumHeight, Core::ProcessKey::Planarization, QStringLiteral("Minimum Height"));
    ParameterRange::apply(form->sbxMaximumHeight, Core::ProcessKey::Planarization, QStringLiteral("Maximum Height"));
    const auto valueChanged = QOverload<int>::of(&QSpinBox::valueChanged);
    connect(form->sbxMaximumHeight, valueChanged, this, &PlanarizationOptionsDialog::updateMinimumLimits);
    connect(form->sbxMinimumHeight, valueChanged, this, &PlanarizationOptionsDialog::showLevels);
    connect(form->sbxMaximumHeight, valueChanged, this, &PlanarizationOptionsDialog::showLevels);
    form->lblSurface->hide();
    showLevels();
    DialogMemory::attach(this);
}

PlanarizationOptionsDialog::~PlanarizationOptionsDialog() = default;

void PlanarizationOptionsDialog::updateMaximum(int height)
{
    form->sbxMaximumHeight->setMaximum(height);
    form->sbxMaximumHeight->setValue(height);
    form->sbxMinimumHeight->setMaximum(height);
}

void PlanarizationOptionsDialog::setVolumeScale(double sizeZ, const Core::Operations::SurfaceRange &surface)
{
    cellSizeZ = sizeZ;
    form->lblSurface->setText(LevelText::surface(surface, cellSizeZ));
    form->lblSurface->show();
    showLevels();
}

void PlanarizationOptionsDialog::showLevels()
{
    form->lblMinimumLevel->setText(
        LevelText::level(form->sbxMinimumHeight->value(), cellSizeZ, QStringLiteral("Minimum level")));
    form->lblMaximumLevel->setText(
        LevelText::level(form->sbxMaximumHeight->value(), cellSizeZ, QStringLiteral("Maximum level")));
}

void PlanarizationOptionsDialog::updateMinimumLimits(int maximum)
{
    form->sbxMinimumHeight->setMaximum(maximum);
}

std::uint32_t PlanarizationOptionsDialog::getMaximumHeight() const
{
    return std::uint32_t(form->sbxMaximumHeight->value());
}

std::uint32_t PlanarizationOptionsDialog::getMinimumHeight() const
{
    return std::uint32_t(form->sbxMinimumHeight->value());
}

Core::BatchRun::ProcessData PlanarizationOptionsDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Planarization));
    step.setParameter(QStringLiteral("Maximum Height"), uint(getMaximumHeight()), true);
    step.setParameter(QStringLiteral("Minimum Height"), uint(getMinimumHeight()), true);
    return step;
}

} // namespace Operations
} // namespace Ui

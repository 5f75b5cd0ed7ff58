#include "UI/Operations/Film/PlanarizationOptionsDialog.h"

#include "ui_PlanarizationOptionsDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
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
    connect(form->sbxMaximumHeight, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &PlanarizationOptionsDialog::updateMinimumLimits);
}

PlanarizationOptionsDialog::~PlanarizationOptionsDialog() = default;

void PlanarizationOptionsDialog::updateMaximum(int height)
{
    form->sbxMaximumHeight->setMaximum(height);
    form->sbxMaximumHeight->setValue(height);
    form->sbxMinimumHeight->setMaximum(height);
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

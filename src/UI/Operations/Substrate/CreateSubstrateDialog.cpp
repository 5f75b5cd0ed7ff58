#include "UI/Operations/Substrate/CreateSubstrateDialog.h"

#include "ui_CreateSubstrateDialog.h"

#include "Core/BatchRun/MaterialParameters.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/Material.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>

#include <algorithm>

namespace Ui {
namespace Operations {

namespace {

// An offset may move the block by what the volume has left over; never a
// negative maximum, which would drag the minimum (and the value) below zero.
void setOffsetLimit(QSpinBox *offset, int total, int blockSize)
{
    offset->setMaximum(std::max(0, total - blockSize));
}

} // namespace

CreateSubstrateDialog::CreateSubstrateDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<CreateSubstrateDialogForm>())
{
    form->setupUi(this);

    const auto valueChanged = qOverload<int>(&QSpinBox::valueChanged);
    connect(form->sbxTotalWidth, valueChanged, this, &CreateSubstrateDialog::updateLimitX);
    connect(form->sbxTotalLength, valueChanged, this, &CreateSubstrateDialog::updateLimitY);
    connect(form->sbxTotalHeight, valueChanged, this, &CreateSubstrateDialog::updateLimitZ);
    connect(form->sbxSubsWidth, valueChanged, this, &CreateSubstrateDialog::updateSubstrateDispX);
    connect(form->sbxSubsLength, valueChanged, this, &CreateSubstrateDialog::updateSubstrateDispY);
    connect(form->sbxSubsHeight, valueChanged, this, &CreateSubstrateDialog::updateSubstrateDispZ);
    connect(form->cbxSubsSphere, &QCheckBox::toggled, this, &CreateSubstrateDialog::toggleSubsShape);
    toggleSubsShape(form->cbxSubsSphere->isChecked());
    DialogMemory::attach(this);
}

CreateSubstrateDialog::~CreateSubstrateDialog() = default;

void CreateSubstrateDialog::setMaterials(const QVector<Model::Materials::Material> &materials)
{
    MaterialChoice::fill(form->cbxFilm, materials);
    if (form->cbxFilm->count() > 0)
        form->cbxFilm->setCurrentIndex(0);
}

void CreateSubstrateDialog::updateLimitX(int width)
{
    form->sbxSubsWidth->setMaximum(width);
    form->sbxSubsWidth->setValue(width);
    form->sbxSubsX->setMaximum(0);
    form->sbxSubsCenterX->setMaximum(width - 1);
}

void CreateSubstrateDialog::updateLimitY(int length)
{
    form->sbxSubsLength->setMaximum(length);
    form->sbxSubsLength->setValue(length);
    form->sbxSubsY->setMaximum(0);
    form->sbxSubsCenterY->setMaximum(length - 1);
}

void CreateSubstrateDialog::updateLimitZ(int height)
{
    // The block keeps its height (clamped to the volume) so that a film-sized
    // substrate survives a change of the volume height.
    form->sbxSubsHeight->setMaximum(height);
    setOffsetLimit(form->sbxSubsZ, height, form->sbxSubsHeight->value());
    form->sbxSubsCenterZ->setMaximum(height - 1);
}

void CreateSubstrateDialog::updateSubstrateDispX(int blockWidth)
{
    setOffsetLimit(form->sbxSubsX, form->sbxTotalWidth->value(), blockWidth);
}

void CreateSubstrateDialog::updateSubstrateDispY(int blockLength)
{
    setOffsetLimit(form->sbxSubsY, form->sbxTotalLength->value(), blockLength);
}

void CreateSubstrateDialog::updateSubstrateDispZ(int blockHeight)
{
    setOffsetLimit(form->sbxSubsZ, form->sbxTotalHeight->value(), blockHeight);
}

void CreateSubstrateDialog::toggleSubsShape(bool spherical)
{
    const QList<QWidget *> blockFields{form->lblSubsSize,  form->lblSubsWidth, form->lblSubsLength,
                                       form->lblSubsHeight, form->sbxSubsWidth, form->sbxSubsLength,
                                       form->sbxSubsHeight, form->lblSubsCorner, form->sbxSubsX,
                                       form->sbxSubsY,      form->sbxSubsZ};
    const QList<QWidget *> sphereFields{form->lblSubsCenterX, form->sbxSubsCenterX, form->lblSubsCenterY,
                                        form->sbxSubsCenterY, form->lblSubsCenterZ, form->sbxSubsCenterZ,
                                        form->lblSubsRadius,  form->sbxSubsRadius};
    for (QWidget *widget : blockFields)
        widget->setEnabled(!spherical);
    for (QWidget *widget : sphereFields)
        widget->setEnabled(spherical);
}

std::uint32_t CreateSubstrateDialog::getTotalWidth() const { return std::uint32_t(form->sbxTotalWidth->value()); }
std::uint32_t CreateSubstrateDialog::getTotalLength() const { return std::uint32_t(form->sbxTotalLength->value()); }
std::uint32_t CreateSubstrateDialog::getTotalHeight() const { return std::uint32_t(form->sbxTotalHeight->value()); }
std::uint32_t CreateSubstrateDialog::getSubstrateWidth() const { return std::uint32_t(form->sbxSubsWidth->value()); }
std::uint32_t CreateSubstrateDialog::getSubstrateLength() const { return std::uint32_t(form->sbxSubsLength->value()); }
std::uint32_t CreateSubstrateDialog::getSubstrateHeight() const { return std::uint32_t(form->sbxSubsHeight->value()); }
std::uint32_t CreateSubstrateDialog::getSubstrateX() const { return std::uint32_t(form->sbxSubsX->value()); }
std::uint32_t CreateSubstrateDialog::getSubstrateY() const { return std::uint32_t(form->sbxSubsY->value()); }
std::uint32_t CreateSubstrateDialog::getSubstrateZ() const { return std::uint32_t(form->sbxSubsZ->value()); }
bool CreateSubstrateDialog::isSpherical() const { return form->cbxSubsSphere->isChecked(); }
std::uint32_t CreateSubstrateDialog::getCenterX() const { return std::uint32_t(form->sbxSubsCenterX->value()); }
std::uint32_t CreateSubstrateDialog::getCenterY() const { return std::uint32_t(form->sbxSubsCenterY->value()); }
std::uint32_t CreateSubstrateDialog::getCenterZ() const { return std::uint32_t(form->sbxSubsCenterZ->value()); }
std::uint32_t CreateSubstrateDialog::getRadius() const { return std::uint32_t(form->sbxSubsRadius->value()); }

std::uint32_t CreateSubstrateDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxFilm);
}

Util::Vector3D CreateSubstrateDialog::getPosition() const
{
    return Util::Vector3D(form->dblVolumeX->value(), form->dblVolumeY->value(), form->dblVolumeZ->value());
}

Util::Vector3D CreateSubstrateDialog::getCellSize() const
{
    return Util::Vector3D(form->dblCellSizeX->value(), form->dblCellSizeY->value(), form->dblCellSizeZ->value());
}

Core::BatchRun::ProcessData CreateSubstrateDialog::toProcessData() const
{
    Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate));
    const bool sphere = isSpherical();
    Core::BatchRun::MaterialParameters::set(step, getMaterialId());
    step.setParameter(QStringLiteral("Lower Left Front Corner"), QVariant::fromValue(getPosition()), true);
    step.setParameter(QStringLiteral("Volume Size X"), uint(getTotalWidth()), true);
    step.setParameter(QStringLiteral("Volume Size Y"), uint(getTotalLength()), true);
    step.setParameter(QStringLiteral("Volume Size Z"), uint(getTotalHeight()), true);
    const Util::Vector3D cellSize = getCellSize();
    step.setParameter(QStringLiteral("Cell Size X"), cellSize.x, true);
    step.setParameter(QStringLiteral("Cell Size Y"), cellSize.y, true);
    step.setParameter(QStringLiteral("Cell Size Z"), cellSize.z, true);
    step.setParameter(QStringLiteral("SphericalSubstrate"), sphere, false);
    step.setParameter(QStringLiteral("Substrate Size X"), uint(getSubstrateWidth()), !sphere);
    step.setParameter(QStringLiteral("Substrate Size Y"), uint(getSubstrateLength()), !sphere);
    step.setParameter(QStringLiteral("Substrate Size Z"), uint(getSubstrateHeight()), !sphere);
    step.setParameter(QStringLiteral("Substrate Delta X"), uint(getSubstrateX()), !sphere);
    step.setParameter(QStringLiteral("Substrate Delta Y"), uint(getSubstrateY()), !sphere);
    step.setParameter(QStringLiteral("Substrate Delta Z"), uint(getSubstrateZ()), !sphere);
    step.setParameter(QStringLiteral("Substrate Center X"), uint(getCenterX()), sphere);
    step.setParameter(QStringLiteral("Substrate Center Y"), uint(getCenterY()), sphere);
    step.setParameter(QStringLiteral("Substrate Center Z"), uint(getCenterZ()), sphere);
    step.setParameter(QStringLiteral("Substrate Radius"), uint(getRadius()), sphere);
    return step;
}

} // namespace Operations
} // namespace Ui

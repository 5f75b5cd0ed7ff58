#include "ChangeVolumeVisualizationDialog.h"

#include "ui_ChangeVolumeVisualizationDialog.h"

#include "Model/Materials/MaterialFactory.h"
#include "UI/MaterialChoice.h"

#include <QColor>
#include <QColorDialog>

namespace Ui {
namespace Operations {

namespace {

int channel(double v)
{
    return int(std::min(1.0, std::max(0.0, v)) * 255);
}

} // namespace

ChangeVolumeVisualizationDialog::ChangeVolumeVisualizationDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<ChangeVolumeVisualizationDialogForm>())
{
    form->setupUi(this);
    form->tabWidget->setCurrentIndex(0);
    const QVector<Model::Materials::Material> materials =
        Model::Materials::MaterialFactory::getInstance()->getMaterials();
    for (const Model::Materials::Material &m : materials)
        catalogueColors[m.getId()] = m.getColor();
    workingColors = catalogueColors;
    MaterialChoice::fill(form->cbxMaterial, materials);

    connect(form->chkRenderAtoms, &QCheckBox::toggled, form->chkSurfaceAtomsOnly, &QWidget::setEnabled);
    connect(form->btnChangeColor, &QPushButton::clicked, this, &ChangeVolumeVisualizationDialog::changeColor);
    connect(form->cbxMaterial, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ChangeVolumeVisualizationDialog::showSwatch);
    showSwatch();
}

ChangeVolumeVisualizationDialog::~ChangeVolumeVisualizationDialog() = default;

void ChangeVolumeVisualizationDialog::setOptions(const Options &o)
{
    form->chkRenderAtoms->setChecked(o.atoms);
    form->chkSurfaceAtomsOnly->setChecked(o.surfaceAtomsOnly);
    form->chkSurfaceAtomsOnly->setEnabled(o.atoms);
    form->chkRenderLinks->setChecked(o.links);
    form->chkRenderUnitCells->setChecked(o.unitCells);
    form->chkRenderUnitCellOutlines->setChecked(o.unitCellOutlines);
    form->chkEmptyVoxelOutlines->setChecked(o.emptyVoxelOutlines);
    form->cbxSurfaceAlgorithm->setCurrentIndex(int(std::min<std::uint32_t>(o.algorithm, 2)));
}

ChangeVolumeVisualizationDialog::Options ChangeVolumeVisualizationDialog::getOptions() const
{
    Options o;
    o.atoms = form->chkRenderAtoms->isChecked();
    o.surfaceAtomsOnly = form->chkSurfaceAtomsOnly->isChecked();
    o.links = form->chkRenderLinks->isChecked();
    o.unitCells = form->chkRenderUnitCells->isChecked();
    o.unitCellOutlines = form->chkRenderUnitCellOutlines->isChecked();
    o.emptyVoxelOutlines = form->chkEmptyVoxelOutlines->isChecked();
    o.algorithm = std::uint32_t(std::max(0, form->cbxSurfaceAlgorithm->currentIndex()));
    return o;
}

Util::Vector4D ChangeVolumeVisualizationDialog::workingColor(std::uint32_t material) const
{
    const auto found = workingColors.find(material);
    return found == workingColors.end() ? Util::Vector4D() : found->second;
}

void ChangeVolumeVisualizationDialog::setWorkingColor(std::uint32_t material, const Util::Vector4D &rgba)
{
    if (workingColors.count(material) == 0)
        return;
    workingColors[material] = rgba;
    showSwatch();
}

std::map<std::uint32_t, Util::Vector4D> ChangeVolumeVisualizationDialog::changedColors() const
{
    std::map<std::uint32_t, Util::Vector4D> changed;
    for (const auto &item : workingColors) {
        const Util::Vector4D &was = catalogueColors.at(item.first);
        const Util::Vector4D &now = item.second;
        if (was.x != now.x || was.y != now.y || was.z != now.z || was.w != now.w)
            changed[item.first] = now;
    }
    return changed;
}

QColor ChangeVolumeVisualizationDialog::chooseColor(const QColor &initial)
{
    return QColorDialog::getColor(initial, this, QStringLiteral("Select new film color"),
                                  QColorDialog::ShowAlphaChannel);
}

void ChangeVolumeVisualizationDialog::changeColor()
{
    const std::uint32_t material = MaterialChoice::selectedId(form->cbxMaterial);
    if (workingColors.count(material) == 0)
        return;
    const Util::Vector4D c = workingColors[material];
    const QColor chosen = chooseColor(QColor(channel(c.x), channel(c.y), channel(c.z), channel(c.w)));
    if (!chosen.isValid())
        return;
    setWorkingColor(material, Util::Vector4D(chosen.redF(), chosen.greenF(), chosen.blueF(), chosen.alphaF()));
}

void ChangeVolumeVisualizationDialog::showSwatch()
{
    const Util::Vector4D c = workingColor(MaterialChoice::selectedId(form->cbxMaterial));
    form->lblColor->setStyleSheet(QStringLiteral("background-color : #%1%2%3")
                                      .arg(channel(c.x), 2, 16, QLatin1Char('0'))
                                      .arg(channel(c.y), 2, 16, QLatin1Char('0'))
                                      .arg(channel(c.z), 2, 16, QLatin1Char('0')));
}

} // namespace Operations
} // namespace Ui

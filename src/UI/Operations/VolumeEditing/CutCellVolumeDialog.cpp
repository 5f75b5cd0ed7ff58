#include "UI/Operations/VolumeEditing/CutCellVolumeDialog.h"

#include "ui_CutCellVolumeDialog.h"

#include <algorithm>

namespace Ui {
namespace Operations {

using Model::Automaton::CellRange;

CutCellVolumeDialog::CutCellVolumeDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<CutCellVolumeBaseDialog>())
{
    form->setupUi(this);
    lowerRows = {{{form->sldXLowerLimit, form->sbxXLowerLimit},
                  {form->sldYLowerLimit, form->sbxYLowerLimit},
                  {form->sldZLowerLimit, form->sbxZLowerLimit}}};
    upperRows = {{{form->sldXUpperLimit, form->sbxXUpperLimit},
                  {form->sldYUpperLimit, form->sbxYUpperLimit},
                  {form->sldZUpperLimit, form->sbxZUpperLimit}}};
    for (int axis = 0; axis < 3; ++axis) {
        for (bool lower : {true, false}) {
            const Row row = lower ? lowerRows[axis] : upperRows[axis];
            connect(row.slider, &QSlider::valueChanged, row.box, &QSpinBox::setValue);
            connect(row.box, QOverload<int>::of(&QSpinBox::valueChanged), row.slider, &QSlider::setValue);
            connect(row.box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                    [this, axis, lower](int value) { changed(axis, lower, value); });
        }
    }
    connect(form->btnReset, &QPushButton::clicked, this, &CutCellVolumeDialog::reset);
}

CutCellVolumeDialog::~CutCellVolumeDialog() = default;

void CutCellVolumeDialog::setLimits(const CellRange &limits, const std::array<std::uint32_t, 3> &volumeSizes)
{
    ++depth;
    for (int axis = 0; axis < 3; ++axis) {
        sizes[axis] = std::max<std::uint32_t>(1, volumeSizes[axis]);
        const int size = int(std::min<std::uint32_t>(sizes[axis], std::uint32_t(form->sbxXUpperLimit->maximum())));
        lowerRows[axis].slider->setRange(0, size - 1);
        lowerRows[axis].box->setRange(0, size - 1);
        upperRows[axis].slider->setRange(1, size);
        upperRows[axis].box->setRange(1, size);
        upperRows[axis].box->setValue(int(std::min<std::uint32_t>(limits.upper[axis], std::uint32_t(size))));
        lowerRows[axis].box->setValue(int(std::min<std::uint32_t>(limits.lower[axis], std::uint32_t(size))));
    }
    --depth;
}

CellRange CutCellVolumeDialog::getLimits() const
{
    CellRange limits;
    for (int axis = 0; axis < 3; ++axis) {
        limits.lower[axis] = std::uint32_t(lowerRows[axis].box->value());
        limits.upper[axis] = std::uint32_t(upperRows[axis].box->value());
    }
    return limits;
}

void CutCellVolumeDialog::reset()
{
    ++depth;
    for (int axis = 0; axis < 3; ++axis) {
        lowerRows[axis].box->setValue(0);
        upperRows[axis].box->setValue(upperRows[axis].box->maximum());
    }
    --depth;
    offerPreview();
}

void CutCellVolumeDialog::changed(int axis, bool lower, int value)
{
    ++depth;
    if (lower && upperRows[axis].box->value() <= value)
        upperRows[axis].box->setValue(value + 1);
    else if (!lower && lowerRows[axis].box->value() >= value)
        lowerRows[axis].box->setValue(value - 1);
    --depth;
    if (depth == 0)
        offerPreview();
}

void CutCellVolumeDialog::offerPreview()
{
    if (form->chkPreview->isChecked())
        emit previewRequested(getLimits());
}

} // namespace Operations
} // namespace Ui

#pragma once

#include "Model/Automaton/CellRange.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class QSlider;
class QSpinBox;

namespace Ui {

class CutCellVolumeBaseDialog;

namespace Operations {

// Six cut limits, each a slider coupled to a spin box, kept lower < upper on
// every axis. With Preview checked every change is offered at once.
class CutCellVolumeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CutCellVolumeDialog(QWidget *parent = nullptr);
    ~CutCellVolumeDialog() override;

    // Upper limits range over 1..size, lower ones over 0..size - 1.
    void setLimits(const Model::Automaton::CellRange &limits, const std::array<std::uint32_t, 3> &sizes);
    Model::Automaton::CellRange getLimits() const;
    // Every lower limit to 0, every upper one to the size: the whole volume.
    void reset();

signals:
    // The limits changed while Preview is checked.
    void previewRequested(const Model::Automaton::CellRange &limits);

private:
    struct Row
    {
        QSlider *slider;
        QSpinBox *box;
    };
    void changed(int axis, bool lower, int value);
    void offerPreview();

    std::unique_ptr<CutCellVolumeBaseDialog> form;
    std::array<Row, 3> lowerRows{};
    std::array<Row, 3> upperRows{};
    std::array<std::uint32_t, 3> sizes{{1, 1, 1}};
    // Changes made while one is handled are part of it: one preview per change.
    int depth = 0;
};

} // namespace Operations
} // namespace Ui

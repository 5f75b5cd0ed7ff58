#pragma once

#include "Core/Operations/Doping/DopingRecipes.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>

class QLabel;
class QRadioButton;

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class DopingOptionsBaseDialog;
class ModeFields;

namespace Operations {

// The options of a doping: the dopant type and the depth (the default), or
// a diffusion from a constant surface source (species, surface
// concentration, temperature, time and background doping), whose junction
// depth the dialog shows as they are typed.
class DopingOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DopingOptionsDialog(QWidget *parent = nullptr);
    ~DopingOptionsDialog() override;

    // 0 when "N Type" is checked, else 1 (P).
    std::uint32_t getDopantType() const;
    double getDepth() const;
    // The diffusion; empty in the depth mode.
    std::optional<Core::Operations::DiffusionRecipe> getRecipe() const;

    // The batch step of this type (one of the two the dialog serves) that
    // the options stand for.
    Core::BatchRun::ProcessData toProcessData(std::int32_t type) const;

private:
    void updateMode();

    std::unique_ptr<DopingOptionsBaseDialog> form;
    QRadioButton *depthMode;
    QRadioButton *sourceMode;
    ModeFields *fields;
    QLabel *outcome;
};

} // namespace Operations
} // namespace Ui

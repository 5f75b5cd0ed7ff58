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

class IonImplantationOptionsBaseDialog;
class ModeFields;

namespace Operations {

// The options of an ion implantation: the implantation depth below each
// column's top, the dopant type and the annealing distance (the default);
// or the species, energy and dose, the substrate's background doping and an
// optional anneal, whose range, straggle, peak and junction depth the
// dialog shows as they are typed.
class IonImplantationOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit IonImplantationOptionsDialog(QWidget *parent = nullptr);
    ~IonImplantationOptionsDialog() override;

    double getImplantationDepth() const;
    double getAnnealingDistance() const;
    // 0 when "N Type" is checked, else 1 (P).
    std::uint32_t getDopantType() const;
    // The implant by species, energy and dose; empty in the depth mode.
    std::optional<Core::Operations::ImplantRecipe> getRecipe() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    void updateMode();

    std::unique_ptr<IonImplantationOptionsBaseDialog> form;
    QRadioButton *depthMode;
    QRadioButton *speciesMode;
    ModeFields *fields;
    QLabel *outcome;
};

} // namespace Operations
} // namespace Ui

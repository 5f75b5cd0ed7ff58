#pragma once

#include "Core/Operations/SiOxidation/DealGrove.h"

#include <QDialog>

#include <cstdint>

#include <memory>

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

class QLabel;

namespace Ui {

class ModeFields;
class SimpleOxidationOptionsBaseDialog;

namespace Operations {

// The options of a thermal oxidation: either the oxide thickness in
// micrometres, or an oxidation time, temperature, pressure and ambient (dry
// oxygen or steam), whose Deal-Grove thickness the dialog shows as they are
// typed; and the scene units per micron that convert the Deal-Grove
// thickness (1: one scene unit is one micrometre). The chosen mode's fields
// are enabled, the other mode's disabled.
class SimpleOxidationOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SimpleOxidationOptionsDialog(QWidget *parent = nullptr);
    ~SimpleOxidationOptionsDialog() override;

    bool isTimeMode() const;
    double getThickness() const;
    double getTime() const;
    double getTemperature() const;
    double getPressure() const;
    Core::Operations::DealGrove::Ambient getAmbient() const;
    double getCellUnitsPerMicron() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    void updateModes();

    std::unique_ptr<SimpleOxidationOptionsBaseDialog> form;
    ModeFields *ambient;
    QLabel *outcome;
};

} // namespace Operations
} // namespace Ui

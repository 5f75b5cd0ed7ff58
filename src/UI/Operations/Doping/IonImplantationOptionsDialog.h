#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Core {
namespace BatchRun {
class ProcessData;
}
}

namespace Ui {

class IonImplantationOptionsBaseDialog;

namespace Operations {

// The options of an ion implantation: the implantation depth below each
// column's top, the dopant type and the annealing distance.
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

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<IonImplantationOptionsBaseDialog> form;
};

} // namespace Operations
} // namespace Ui

#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {

class AnisotropicDepositionBaseDialog;

namespace Operations {

// The options of a PVD: a material the process catalogue accepts for PVD,
// the film thickness, the horizontal-to-vertical ratio and the side.
class AnisotropicDepositionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AnisotropicDepositionDialog(QWidget *parent = nullptr);
    ~AnisotropicDepositionDialog() override;

    std::uint32_t getMaterialId() const;
    double getThickness() const;
    double getRatio() const;
    // 2 on bottom, 3 on both sides, otherwise 1 (on top).
    std::uint32_t getDepositOn() const;

private:
    std::unique_ptr<AnisotropicDepositionBaseDialog> form;
};

} // namespace Operations
} // namespace Ui

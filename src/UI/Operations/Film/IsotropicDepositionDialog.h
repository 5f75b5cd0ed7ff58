#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {

class IsotropicDepositionForm;

namespace Operations {

// The options of an isotropic deposition: the film thickness and one of the
// materials the process catalogue accepts for the deposition.
class IsotropicDepositionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit IsotropicDepositionDialog(QWidget *parent = nullptr);
    ~IsotropicDepositionDialog() override;

    double getThickness() const;
    // The id of the current material entry; 0 when there is none.
    std::uint32_t getMaterialId() const;
    // Makes that material the current entry when the list has it.
    void setMaterialId(std::uint32_t id);

private:
    std::unique_ptr<IsotropicDepositionForm> form;
};

} // namespace Operations
} // namespace Ui

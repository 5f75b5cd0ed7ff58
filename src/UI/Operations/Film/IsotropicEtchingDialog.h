#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {

class IsotropicEtchingForm;

namespace Operations {

// The options of an isotropic etch: the etch depth and one of the
// materials the process catalogue accepts for the etching.
class IsotropicEtchingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit IsotropicEtchingDialog(QWidget *parent = nullptr);
    ~IsotropicEtchingDialog() override;

    double getDepth() const;
    // The id of the current material entry; 0 when there is none.
    std::uint32_t getMaterialId() const;
    // Makes that material the current entry when the list has it.
    void setMaterialId(std::uint32_t id);

private:
    std::unique_ptr<IsotropicEtchingForm> form;
};

} // namespace Operations
} // namespace Ui

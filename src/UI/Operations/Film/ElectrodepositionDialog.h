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

class ElectrodepositionForm;

namespace Operations {

// The options of an electroplating: the film thickness, the deposited
// material and the conducting material, both from the whole catalogue.
class ElectrodepositionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ElectrodepositionDialog(QWidget *parent = nullptr);
    ~ElectrodepositionDialog() override;

    double getThickness() const;
    std::uint32_t getMaterialId() const;
    std::uint32_t getConductingMaterialId() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<ElectrodepositionForm> form;
};

} // namespace Operations
} // namespace Ui

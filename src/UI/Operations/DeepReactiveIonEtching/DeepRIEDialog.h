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

class DeepRIEForm;

namespace Operations {

// The options of the cyclic deep etch: the etched material, the cycle count,
// the etch per cycle and the passivation thickness in µm, and whether narrow
// openings etch slower (ARDE). The depth an open surface would reach is
// shown as the values change.
class DeepRIEDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DeepRIEDialog(QWidget *parent = nullptr);
    ~DeepRIEDialog() override;

    // The id of the current material entry; 0 when there is none.
    std::uint32_t getMaterialId() const;
    std::uint32_t getCycles() const;
    double getEtchPerCycle() const;
    double getPassivationThickness() const;
    bool isAspectRatioDependent() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    void showPrediction();

    std::unique_ptr<DeepRIEForm> form;
};

} // namespace Operations
} // namespace Ui

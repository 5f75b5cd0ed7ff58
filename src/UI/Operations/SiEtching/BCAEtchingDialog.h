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

class BCAEtchingBaseDialog;

namespace Operations {

// The options of both atomistic wet etches: the etch depth in micrometres.
class BCAEtchingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BCAEtchingDialog(QWidget *parent = nullptr);
    ~BCAEtchingDialog() override;

    double getDepth() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<BCAEtchingBaseDialog> form;
};

} // namespace Operations
} // namespace Ui

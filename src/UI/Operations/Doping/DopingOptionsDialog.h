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

class DopingOptionsBaseDialog;

namespace Operations {

// The options of a doping: the dopant type and the depth.
class DopingOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DopingOptionsDialog(QWidget *parent = nullptr);
    ~DopingOptionsDialog() override;

    // 0 when "N Type" is checked, else 1 (P).
    std::uint32_t getDopantType() const;
    double getDepth() const;

    // The batch step of this type (one of the two the dialog serves) that
    // the options stand for.
    Core::BatchRun::ProcessData toProcessData(std::int32_t type) const;

private:
    std::unique_ptr<DopingOptionsBaseDialog> form;
};

} // namespace Operations
} // namespace Ui

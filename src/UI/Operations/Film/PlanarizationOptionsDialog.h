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

class PlanarizationOptionsBaseDialog;

namespace Operations {

// The band of layers a planarization keeps: every cell below the minimum
// height and at or above the maximum height is removed.
class PlanarizationOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PlanarizationOptionsDialog(QWidget *parent = nullptr);
    ~PlanarizationOptionsDialog() override;

    // The volume's height: the maximum box gets it as limit and value, the
    // minimum box as limit.
    void updateMaximum(int height);

    std::uint32_t getMaximumHeight() const;
    std::uint32_t getMinimumHeight() const;

public slots:
    // The minimum never exceeds the maximum.
    void updateMinimumLimits(int maximum);

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<PlanarizationOptionsBaseDialog> form;
};

} // namespace Operations
} // namespace Ui

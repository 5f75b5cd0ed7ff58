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

class SpinCoatingOptionsBaseDialog;

namespace Operations {

// The options of a spin coating: any catalogue material and the height (in
// cells) below which every empty cell is filled.
class SpinCoatingOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SpinCoatingOptionsDialog(QWidget *parent = nullptr);
    ~SpinCoatingOptionsDialog() override;

    // Narrows the height to 0 ... the volume's height.
    void setHeightLimit(int height);

    std::uint32_t getMaterialId() const;
    std::uint32_t getHeight() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    std::unique_ptr<SpinCoatingOptionsBaseDialog> form;
};

} // namespace Operations
} // namespace Ui

#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Core {
namespace BatchRun {
class ProcessData;
}
namespace Operations {
struct SurfaceRange;
}
} // namespace Core

namespace Ui {

class SpinCoatingOptionsBaseDialog;

namespace Operations {

// The options of a spin coating: any catalogue material and the height below
// which every empty cell is filled, a level above the volume's bottom in cells
// of z. Under the field the dialog says so, in µm too once it knows the
// volume, and where the volume's surface lies.
class SpinCoatingOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SpinCoatingOptionsDialog(QWidget *parent = nullptr);
    ~SpinCoatingOptionsDialog() override;

    // Narrows the height to 0 ... the volume's height.
    void setHeightLimit(int height);
    // The chosen volume's cell size along z (µm) and its surface range.
    void setVolumeScale(double cellSizeZ, const Core::Operations::SurfaceRange &surface);

    std::uint32_t getMaterialId() const;
    std::uint32_t getHeight() const;

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    void showLevel();

    std::unique_ptr<SpinCoatingOptionsBaseDialog> form;
    double cellSizeZ = 0.0; // unknown until a volume is chosen
};

} // namespace Operations
} // namespace Ui

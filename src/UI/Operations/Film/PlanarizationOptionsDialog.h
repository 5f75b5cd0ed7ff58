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

class PlanarizationOptionsBaseDialog;

namespace Operations {

// The band of layers a planarization keeps: every cell below the minimum
// height and at or above the maximum height is removed. Both heights are
// levels above the volume's bottom in cells of z; under the fields the dialog
// says so, in µm too once it knows the volume, and where its surface lies.
class PlanarizationOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PlanarizationOptionsDialog(QWidget *parent = nullptr);
    ~PlanarizationOptionsDialog() override;

    // The volume's height: the maximum box gets it as limit and value, the
    // minimum box as limit.
    void updateMaximum(int height);
    // The chosen volume's cell size along z (µm) and its surface range.
    void setVolumeScale(double cellSizeZ, const Core::Operations::SurfaceRange &surface);

    std::uint32_t getMaximumHeight() const;
    std::uint32_t getMinimumHeight() const;

public slots:
    // The minimum never exceeds the maximum.
    void updateMinimumLimits(int maximum);

    // The batch step the options stand for.
    Core::BatchRun::ProcessData toProcessData() const;

private:
    void showLevels();

    std::unique_ptr<PlanarizationOptionsBaseDialog> form;
    double cellSizeZ = 0.0; // unknown until a volume is chosen
};

} // namespace Operations
} // namespace Ui

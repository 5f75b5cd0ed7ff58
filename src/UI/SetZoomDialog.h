#pragma once

#include <QDialog>

#include <memory>

namespace Ui {

class SetZoomDialogForm;

// Asks for the view's zoom as a percentage: 100 % is zoom 1.0, 200 % is
// zoom 0.5 (closer).
class SetZoomDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetZoomDialog(double currentZoom, QWidget *parent = nullptr);
    ~SetZoomDialog() override;

    // The zoom the percentage stands for.
    double getZoom() const;

    static double percentageForZoom(double zoom);
    static double zoomForPercentage(double percentage);

private:
    std::unique_ptr<SetZoomDialogForm> ui;
};

} // namespace Ui

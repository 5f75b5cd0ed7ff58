#pragma once

#include <QDialog>

#include <memory>

namespace Ui {

class SetViewAngleForm;

// Asks for the viewing angles about x, y and z in degrees. It opens with the
// angles last read from it in this run.
class SetViewAngleDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetViewAngleDialog(QWidget *parent = nullptr);
    ~SetViewAngleDialog() override;

    // Reading an angle remembers it for the next dialog.
    double getAngleX();
    double getAngleY();
    double getAngleZ();

    // Forgets the remembered angles (all 0, as at start).
    static void resetRememberedAngles();

private:
    std::unique_ptr<SetViewAngleForm> ui;

    static double lastAngleX;
    static double lastAngleY;
    static double lastAngleZ;
};

} // namespace Ui

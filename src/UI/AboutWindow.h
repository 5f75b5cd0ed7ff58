#pragma once

#include <QDialog>

#include <memory>

namespace Ui {

class AboutForm;

// A short, non-modal note about the program and its makers.
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget *parent = nullptr);
    ~AboutWindow() override;

private:
    std::unique_ptr<AboutForm> form;
};

} // namespace Ui

#include "AboutWindow.h"

#include "ui_AboutWindow.h"

namespace Ui {

AboutWindow::AboutWindow(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<AboutForm>())
{
    form->setupUi(this);
    connect(form->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::close);
}

AboutWindow::~AboutWindow() = default;

} // namespace Ui

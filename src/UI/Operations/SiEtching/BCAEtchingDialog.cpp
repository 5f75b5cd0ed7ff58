#include "UI/Operations/SiEtching/BCAEtchingDialog.h"

#include "ui_BCAEtchingDialog.h"

namespace Ui {
namespace Operations {

BCAEtchingDialog::BCAEtchingDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<BCAEtchingBaseDialog>())
{
    form->setupUi(this);
}

BCAEtchingDialog::~BCAEtchingDialog() = default;

double BCAEtchingDialog::getDepth() const
{
    return form->dbxEtchDepth->value();
}

} // namespace Operations
} // namespace Ui

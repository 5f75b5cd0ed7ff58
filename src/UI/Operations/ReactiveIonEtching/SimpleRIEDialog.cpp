#include "UI/Operations/ReactiveIonEtching/SimpleRIEDialog.h"

#include "ui_SimpleRIEDialog.h"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/MaterialChoice.h"

namespace Ui {
namespace Operations {

SimpleRIEDialog::SimpleRIEDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<SimpleRIEForm>())
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxFilm, Model::Materials::MaterialFactory::getInstance()->getMaterials());
}

SimpleRIEDialog::~SimpleRIEDialog() = default;

int SimpleRIEDialog::getDepth() const
{
    return form->sbxEtchDepth->value();
}

std::uint32_t SimpleRIEDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxFilm);
}

std::uint8_t SimpleRIEDialog::getDirections() const
{
    return std::uint8_t((form->chkEtchFromTop->isChecked() ? 1 : 0) | (form->chkEtchFromBottom->isChecked() ? 2 : 0));
}

} // namespace Operations
} // namespace Ui

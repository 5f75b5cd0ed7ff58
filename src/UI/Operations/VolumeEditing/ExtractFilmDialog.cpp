#include "UI/Operations/VolumeEditing/ExtractFilmDialog.h"

#include "ui_ExtractFilmDialog.h"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MaterialChoice.h"

namespace Ui {
namespace Operations {

ExtractFilmDialog::ExtractFilmDialog(QWidget *parent)
    : QDialog(parent)
    , form(std::make_unique<ExtractFilmForm>())
{
    form->setupUi(this);
    MaterialChoice::fill(form->cbxFilm, Model::Materials::MaterialFactory::getInstance()->getMaterials());
    DialogMemory::attach(this);
}

ExtractFilmDialog::~ExtractFilmDialog() = default;

std::uint32_t ExtractFilmDialog::getMaterialId() const
{
    return MaterialChoice::selectedId(form->cbxFilm);
}

bool ExtractFilmDialog::isInvertFilm() const
{
    return form->chkInvertFilm->isChecked();
}

} // namespace Operations
} // namespace Ui

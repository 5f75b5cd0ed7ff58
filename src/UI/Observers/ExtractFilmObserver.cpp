#include "ExtractFilmObserver.h"

#include "Core/Operations/VolumeEditing/ExtractFilm.h"
#include "UI/Operations/VolumeEditing/ExtractFilmDialog.h"

namespace Ui {
namespace Observers {

void ExtractFilmObserver::notify()
{
    const auto operation = currentOperation<Core::Operations::ExtractFilm>();
    if (!operation)
        return;
    Operations::ExtractFilmDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    operation->setFilmMaterial(dialog.getMaterialId());
    operation->setInvertFilm(dialog.isInvertFilm());
    operation->end();
}

} // namespace Observers
} // namespace Ui
